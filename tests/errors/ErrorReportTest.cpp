// What the error report is made of: the heading's expansion and its cut, and
// the family member that stands for the exception.
#include "errors/ErrorDialog.h"
#include "res/resource.h"

#include <new>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(HeadingTest, PlaceholdersAreFilledByWvsprintfRules)
{
    EXPECT_EQ("Cannot install files from 'DATA.Z':", ExpandHeading(17, "DATA.Z"));
    EXPECT_EQ("Setup cannot continue", ExpandHeading(9));
}

TEST(HeadingTest, MissingStringGivesAnEmptyHeading)
{
    EXPECT_EQ("", ExpandHeading(4000, "DATA.Z"));
}

TEST(HeadingTest, ExpansionBeyondTheBufferIsCutSafely)
{
    // Longer than wvsprintfA ever writes (1024 bytes) and than the heading's 511.
    const std::string name(3000, 'n');
    const std::string heading = ExpandHeading(17, name.c_str());
    EXPECT_EQ(kMaxHeadingLength, heading.size());
    EXPECT_EQ("Cannot install files from 'nnn", heading.substr(0, 30));
    EXPECT_EQ("n...", heading.substr(heading.size() - 4));
}

TEST(HeadingTest, CutOnlyWhatIsTooLong)
{
    const std::string fits(kMaxHeadingLength, 'a');
    EXPECT_EQ(fits, CutHeading(fits));
    const std::string cut = CutHeading(fits + "b");
    EXPECT_EQ(kMaxHeadingLength, cut.size());
    EXPECT_EQ(std::string(kMaxHeadingLength - 3, 'a') + "...", cut);
}

std::unique_ptr<CXException> FailingMapper(const CException&)
{
    throw std::bad_alloc();
}

std::unique_ptr<CXException> EmptyMapper(const CException&)
{
    return nullptr;
}

TEST(ReportedExceptionTest, FamilyMemberReportsItself)
{
    const CZLibException e(ZLibCode::streamError);
    std::unique_ptr<CXException> made;
    const CXMemoryException fallback;
    EXPECT_EQ(&e, &ReportedException(e, made, fallback));
    EXPECT_EQ(nullptr, made);
}

TEST(ReportedExceptionTest, FrameworkExceptionIsMappedWithItsCause)
{
    const CFileException e(CFileException::diskFull);
    std::unique_ptr<CXException> made;
    const CXMemoryException fallback;
    const CXException& reported = ReportedException(e, made, fallback);
    EXPECT_EQ(made.get(), &reported);
    EXPECT_STREQ("CXFileException", reported.GetRuntimeClassName());
    EXPECT_EQ(CFileException::diskFull, reported.m_nCode);
}

TEST(ReportedExceptionTest, MappingWithoutMemoryReportsTheLackOfMemory)
{
    const CFileException e(CFileException::diskFull);
    const CXMemoryException fallback;
    for (ExceptionMapper mapper : {FailingMapper, EmptyMapper}) {
        std::unique_ptr<CXException> made;
        const CXException& reported = ReportedException(e, made, fallback, mapper);
        EXPECT_EQ(&fallback, &reported);
        reported.PrepareMessage();
        EXPECT_EQ("Not enough memory available.", g_strErrorTitle);
    }
}

// ---- how the dialog paints ------------------------------------------------

struct Look {
    bool seen = false;
    COLORREF explanationBrush = 0, explanationBackground = 0;
    COLORREF titleBrush = 0;
    LOGFONTA infoFont{}, textFont{};
};
Look g_look;

COLORREF BrushColour(HBRUSH brush)
{
    LOGBRUSH lb{};
    ::GetObjectA(brush, sizeof lb, &lb);
    return lb.lbColor;
}

BOOL CALLBACK ExamineErrorDialog(HWND window, LPARAM)
{
    if (!::GetDlgItem(window, IDC_ERROR_TEXT))
        return TRUE;
    HDC dc = ::GetDC(window);
    const auto ask = [&](int id) {
        return reinterpret_cast<HBRUSH>(::SendMessageA(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(::GetDlgItem(window, id))));
    };
    g_look.explanationBrush = BrushColour(ask(IDC_ERROR_TEXT));
    g_look.explanationBackground = ::GetBkColor(dc);
    g_look.titleBrush = BrushColour(ask(IDC_ERROR_TITLE));
    ::ReleaseDC(window, dc);
    const auto font = [&](int id, LOGFONTA& lf) {
        ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(::GetDlgItem(window, id), WM_GETFONT, 0, 0)), sizeof lf,
                     &lf);
    };
    font(IDC_ERROR_INFO, g_look.infoFont);
    font(IDC_ERROR_TEXT, g_look.textFont);
    g_look.seen = true;
    ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK ExamineTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (!::EnumThreadWindows(::GetCurrentThreadId(), ExamineErrorDialog, 0))
        ::KillTimer(nullptr, id);
}

TEST(ErrorDialogLookTest, ExplanationOnTheButtonFaceAndInArial)
{
    CWinApp app;
    app.SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
    g_look = Look{};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, ExamineTimer);
    ErrorMessage(9, CInstallProfileException(InstallProfileCode::noDestinations));
    ::KillTimer(nullptr, timer);

    ASSERT_TRUE(g_look.seen);
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), g_look.explanationBrush);
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), g_look.explanationBackground);
    EXPECT_EQ(RGB(192, 192, 192), g_look.titleBrush);

    HDC screen = ::GetDC(nullptr);
    const LONG height = -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    for (const LOGFONTA* lf : {&g_look.infoFont, &g_look.textFont}) {
        EXPECT_STREQ("Arial", lf->lfFaceName);
        EXPECT_EQ(height, lf->lfHeight);
        EXPECT_FALSE(lf->lfItalic);
    }
}

} // namespace
