// The error dialog as the user sees it: started by the UI showcase and examined
// from outside through the Windows API.
#include "ShowcaseRun.h"
#include "fw/Strings.h"
#include "res/resource.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

using namespace ui_probe;

class ErrorDialogTest : public ::testing::Test {
protected:
    // Starts the showcase with `arguments` and waits for the dialog.
    HWND Open(const std::string& arguments)
    {
        process = showcase::Start("error " + arguments);
        dialog = showcase::WaitForWindow(*process, "Warning", true);
        return dialog;
    }
    SIZE ClientSize() const
    {
        RECT rc{};
        ::GetClientRect(dialog, &rc);
        return {rc.right, rc.bottom};
    }
    static SIZE DialogUnitsSize(int width, int height)
    {
        const RECT rc = DialogUnitsToPixels(0, 0, width, height);
        return {rc.right, rc.bottom};
    }
    // Collapsed, the client area ends at the corner control's bottom-right
    // corner: 207 x 74 dialog units, give or take the rounding of its place.
    bool IsCollapsed() const
    {
        const RECT corner = ControlRect(dialog, IDC_ERROR_CORNER);
        const SIZE size = ClientSize();
        const SIZE units = DialogUnitsSize(207, 74);
        return size.cx == corner.right && size.cy == corner.bottom && std::abs(size.cx - units.cx) <= 1 &&
               std::abs(size.cy - units.cy) <= 1;
    }
    bool WaitForMoreCaption(const std::string& caption) const
    {
        return WaitUntil([&] { return ControlText(dialog, IDC_ERROR_MORE) == caption; });
    }

    std::unique_ptr<TestProcess> process;
    HWND dialog = nullptr;
};

bool operator==(SIZE a, SIZE b)
{
    return a.cx == b.cx && a.cy == b.cy;
}

TEST_F(ErrorDialogTest, ProfileErrorInformsWithOkAlone)
{
    ASSERT_TRUE(Open("profile 0"));
    EXPECT_EQ("Setup cannot continue", ControlText(dialog, IDC_ERROR_HEADING));
    EXPECT_EQ("Incomplete or missing profile.", ControlText(dialog, IDC_ERROR_TITLE));
    EXPECT_EQ(AfxLoadString(13), ControlText(dialog, IDC_ERROR_TEXT));
    EXPECT_EQ("9.0 (CInstallProfileException)", ControlText(dialog, IDC_ERROR_INFO));
    EXPECT_EQ("OK", ControlText(dialog, IDOK));
    EXPECT_TRUE(IsControlVisible(dialog, IDOK));
    EXPECT_FALSE(IsControlVisible(dialog, IDCANCEL));
    EXPECT_EQ("&More>>", ControlText(dialog, IDC_ERROR_MORE));

    ASSERT_TRUE(ClickButton(dialog, IDOK));
    EXPECT_EQ(static_cast<long>(showcase::kExitMessageShown), showcase::ExitCode(*process));
}

TEST_F(ErrorDialogTest, OpensCollapsedWithTheLowerHalfDisabled)
{
    ASSERT_TRUE(Open("profile 1"));
    EXPECT_EQ("9.1 (CInstallProfileException)", ControlText(dialog, IDC_ERROR_INFO));
    EXPECT_TRUE(IsCollapsed());
    EXPECT_FALSE(IsControlEnabled(dialog, IDC_ERROR_TEXT));
    EXPECT_FALSE(IsControlEnabled(dialog, IDC_ERROR_INFO));
    for (int id : {IDOK, IDC_ERROR_HELP, IDC_ERROR_MORE})
        EXPECT_TRUE(IsControlEnabled(dialog, id)) << id;
}

TEST_F(ErrorDialogTest, MoreShowsTheLowerHalfAndTogglesBack)
{
    ASSERT_TRUE(Open("profile 0"));
    ASSERT_TRUE(ClickButton(dialog, IDC_ERROR_MORE));
    ASSERT_TRUE(WaitForMoreCaption("&More<<"));
    EXPECT_TRUE(ClientSize() == DialogUnitsSize(207, 162));
    EXPECT_TRUE(IsControlEnabled(dialog, IDC_ERROR_TEXT));
    EXPECT_TRUE(IsControlEnabled(dialog, IDC_ERROR_INFO));

    ASSERT_TRUE(ClickButton(dialog, IDC_ERROR_MORE));
    ASSERT_TRUE(WaitForMoreCaption("&More>>"));
    EXPECT_TRUE(IsCollapsed());
    EXPECT_FALSE(IsControlEnabled(dialog, IDC_ERROR_TEXT));
}

TEST_F(ErrorDialogTest, ControlsStandWhereTheTemplatePutsThem)
{
    ASSERT_TRUE(Open("profile 0 /more"));
    ASSERT_TRUE(WaitForMoreCaption("&More<<"));
    struct Place {
        int id, x, y, width, height;
    };
    const Place places[] = {
        {IDOK, 137, 6, 64, 14},           {IDCANCEL, 137, 22, 64, 14},       {IDC_ERROR_HELP, 137, 38, 64, 14},
        {IDC_ERROR_MORE, 137, 54, 64, 14}, {IDC_ERROR_HEADING, 33, 8, 97, 20}, {IDC_ERROR_TITLE, 5, 31, 125, 37},
        {IDC_ERROR_CORNER, 198, 69, 9, 5}, {IDC_ERROR_TEXT, 5, 86, 196, 57},   {IDC_ERROR_INFO, 66, 146, 134, 8},
    };
    for (const Place& p : places) {
        const RECT expected = DialogUnitsToPixels(p.x, p.y, p.width, p.height);
        const RECT actual = ControlRect(dialog, p.id);
        EXPECT_TRUE(::EqualRect(&expected, &actual))
            << "control " << p.id << ": " << actual.left << "," << actual.top << "," << actual.right << ","
            << actual.bottom << " instead of " << expected.left << "," << expected.top << "," << expected.right
            << "," << expected.bottom;
    }
    // The icon control takes the size of its icon; only its place is fixed.
    const RECT icon = ControlRect(dialog, IDC_ERROR_ICON);
    const RECT iconPlace = DialogUnitsToPixels(9, 4, 21, 20);
    EXPECT_EQ(iconPlace.left, icon.left);
    EXPECT_EQ(iconPlace.top, icon.top);
    EXPECT_EQ("Warning", WindowText(dialog));
}

TEST_F(ErrorDialogTest, TabNeverReachesTheHiddenExplanation)
{
    ASSERT_TRUE(Open("file 13 /ask"));
    HWND edit = ::GetDlgItem(dialog, IDC_ERROR_TEXT);
    ASSERT_TRUE(WaitUntil([&] { return FocusWindow(dialog) != nullptr; }));
    for (int i = 0; i < 6; ++i) {
        HWND before = FocusWindow(dialog);
        PressKey(dialog, VK_TAB);
        ASSERT_TRUE(WaitUntil([&] { return FocusWindow(dialog) != before; })) << "Tab " << i;
        EXPECT_NE(edit, FocusWindow(dialog)) << "Tab " << i;
    }
}

class ErrorQueryTest : public ErrorDialogTest {};

TEST_F(ErrorQueryTest, DiskFullAsksWithContinueAndCancel)
{
    ASSERT_TRUE(Open("file 13 /ask"));
    EXPECT_EQ("Cannot install files from 'DATA.Z':", ControlText(dialog, IDC_ERROR_HEADING));
    EXPECT_EQ("Disk full", ControlText(dialog, IDC_ERROR_TITLE));
    EXPECT_EQ("17.13 (CXFileException)", ControlText(dialog, IDC_ERROR_INFO));
    EXPECT_EQ("Continue Operation", ControlText(dialog, IDOK));
    EXPECT_EQ("Cancel Operation", ControlText(dialog, IDCANCEL));
    EXPECT_TRUE(IsControlVisible(dialog, IDCANCEL));

    ASSERT_TRUE(ClickButton(dialog, IDOK));
    EXPECT_EQ(static_cast<long>(showcase::kExitQueryTrue), showcase::ExitCode(*process));
}

TEST_F(ErrorQueryTest, CancelAnswersFalse)
{
    ASSERT_TRUE(Open("file 13 /ask"));
    ASSERT_TRUE(ClickButton(dialog, IDCANCEL));
    EXPECT_EQ(static_cast<long>(showcase::kExitQueryFalse), showcase::ExitCode(*process));
}

TEST_F(ErrorQueryTest, EscapeAnswersFalse)
{
    ASSERT_TRUE(Open("file 13 /ask"));
    ASSERT_TRUE(WaitUntil([&] { return FocusWindow(dialog) != nullptr; }));
    PressKey(dialog, VK_ESCAPE);
    EXPECT_EQ(static_cast<long>(showcase::kExitQueryFalse), showcase::ExitCode(*process));
}

TEST_F(ErrorQueryTest, MissingHeadingStringLeavesTheHeadingEmpty)
{
    ASSERT_TRUE(Open("zlib 3 /heading=4000"));
    EXPECT_EQ("", ControlText(dialog, IDC_ERROR_HEADING));
    EXPECT_EQ("Archive file damaged (data error).", ControlText(dialog, IDC_ERROR_TITLE));
    EXPECT_EQ("4000.3 (CZLibException)", ControlText(dialog, IDC_ERROR_INFO));
}

} // namespace
