// The background window as started by the showcase, examined from outside:
// its class and style, maximized or minimized, and the close question that
// never closes it.
#include "ShowcaseRun.h"
#include "fw/Strings.h"
#include "res/resource.h"
#include "ui/MainWnd.h"

#include <gtest/gtest.h>

namespace {

using namespace ui_probe;

class MainWndTest : public ::testing::Test {
protected:
    HWND Open(const std::string& arguments)
    {
        process = showcase::Start("main " + arguments);
        window = showcase::WaitForWindow(*process, "Pelto Setup");
        return window;
    }
    // Ends the run the way the wizard does (the window is destroyed); the exit
    // code tells whether the success flag is still set.
    long EndRun()
    {
        process->PostThreadMessage(showcase::kEndRunMessage);
        return showcase::ExitCode(*process);
    }
    // Asks to close the window and answers the question with `button`.
    void CloseAndAnswer(int button)
    {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        WindowQuery query;
        query.processId = process->Id();
        query.className = "#32770";
        HWND question = WaitForWindow(query);
        ASSERT_NE(nullptr, question);
        bool asked = false;
        for (HWND child : ChildWindows(question))
            asked = asked || WindowText(child) == AfxLoadString(IDS_CONFIRM_EXIT_SETUP);
        EXPECT_TRUE(asked);
        ASSERT_TRUE(ClickButton(question, button));
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(question); }));
    }

    std::unique_ptr<TestProcess> process;
    HWND window = nullptr;
};

TEST_F(MainWndTest, OpensMaximizedWithTheSetupTitle)
{
    ASSERT_TRUE(Open(""));
    EXPECT_TRUE(::IsZoomed(window));
    const LONG style = ::GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(0x000F0000, style & 0x000F0000);  // system menu, sizing frame, minimize and maximize boxes
    EXPECT_EQ(0, ::GetWindowLongA(window, GWL_EXSTYLE) & ~(WS_EX_WINDOWEDGE));
    EXPECT_EQ(0x000Bu, ::GetClassLongA(window, GCL_STYLE));
    EXPECT_EQ(static_cast<long>(showcase::kExitSuccessKept), EndRun());
}

TEST_F(MainWndTest, UnattendedRunStartsMinimized)
{
    ASSERT_TRUE(Open("/B"));
    EXPECT_TRUE(WaitUntil([&] { return ::IsIconic(window) != FALSE; }));
    EXPECT_FALSE(::IsZoomed(window));
    EXPECT_EQ(static_cast<long>(showcase::kExitSuccessKept), EndRun());
}

TEST_F(MainWndTest, CloseAnsweredNoChangesNothing)
{
    ASSERT_TRUE(Open(""));
    CloseAndAnswer(IDNO);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(static_cast<long>(showcase::kExitSuccessKept), EndRun());
}

TEST_F(MainWndTest, CloseAnsweredYesKeepsTheWindowButClearsSuccess)
{
    ASSERT_TRUE(Open(""));
    CloseAndAnswer(IDYES);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(static_cast<long>(showcase::kExitSuccessCleared), EndRun());
}

TEST(MainWndTitleTest, FontHeightIsTwentyFourPointsTruncated)
{
    EXPECT_EQ(-32, CMainWnd::TitleFontHeight(96));
    EXPECT_EQ(-40, CMainWnd::TitleFontHeight(120));
    // 24 * 110 / 72 = 36.67: truncated to 36, where rounding would give 37.
    EXPECT_EQ(-36, CMainWnd::TitleFontHeight(110));
}

TEST(WndProcExceptionReportTest, ExceptionInAWindowProcedureIsReportedAndTheRunGoesOn)
{
    const auto process = showcase::Start("throw");
    HWND window = showcase::WaitForWindow(*process, showcase::kThrowingWindowTitle);
    ASSERT_NE(nullptr, window);
    ::PostMessageA(window, WM_COMMAND, showcase::kThrowCommand, 0);

    HWND report = showcase::WaitForWindow(*process, "Warning", true);
    ASSERT_NE(nullptr, report);
    EXPECT_EQ("Setup cannot continue", ControlText(report, IDC_ERROR_HEADING));
    EXPECT_EQ("Disk full", ControlText(report, IDC_ERROR_TITLE));
    EXPECT_EQ("9.13 (CXFileException)", ControlText(report, IDC_ERROR_INFO));
    ASSERT_TRUE(ClickButton(report, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(report); }));

    EXPECT_TRUE(::IsWindow(window));
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, showcase::ExitCode(*process));
}

} // namespace
