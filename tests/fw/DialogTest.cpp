// Dialogs of the framework: data exchange, the application's dialog colours
// (also for message boxes), keyboard navigation of modeless dialogs and the
// exception boundary of the dialog procedure.
#include "WndTestIds.h"
#include "fw/Dialog.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

class CRecordingApp : public CWinApp {
public:
    LRESULT ProcessWndProcException(const CException& e, const MSG*) override
    {
        reports.push_back(e.GetRuntimeClassName());
        return 0;
    }
    std::vector<std::string> reports;
};

class CFormDialog : public CDialog {
public:
    CFormDialog() : CDialog(IDD_TEST_FORM) {}

    std::string m_strName = "first";
    bool m_bRequireName = false;
    int m_nMissingControl = 0;
    std::function<void()> onCommand;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, IDC_FORM_NAME, m_strName);
        if (dx->m_bSaveAndValidate && m_bRequireName && m_strName.empty())
            dx->Fail();
        if (m_nMissingControl)
            DDX_Text(dx, m_nMissingControl, m_strName);
    }
    BOOL OnCommand(UINT id, UINT code, HWND control) override
    {
        if (id == IDC_FORM_LABEL && onCommand) {
            onCommand();
            return TRUE;
        }
        return CDialog::OnCommand(id, code, control);
    }
};

class DataExchangeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dialog.Create()); }
    HWND Item(int id) const { return dialog.GetDlgItem(id); }

    CRecordingApp app;
    CFormDialog dialog;
};

TEST_F(DataExchangeTest, InitialisationFillsTheControlsFromTheMembers)
{
    EXPECT_EQ("first", CWnd::GetWindowText(Item(IDC_FORM_NAME)));
}

TEST_F(DataExchangeTest, SavingReadsTheControlsBack)
{
    ::SetWindowTextA(Item(IDC_FORM_NAME), "second");
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ("second", dialog.m_strName);
}

TEST_F(DataExchangeTest, FailedValidationAnswersFalseAndFocusesTheControl)
{
    dialog.m_bRequireName = true;
    ::SetWindowTextA(Item(IDC_FORM_NAME), "");
    dialog.m_nMissingControl = 4242;  // after the failing control: never reached
    EXPECT_FALSE(dialog.UpdateData(TRUE));
    EXPECT_EQ(Item(IDC_FORM_NAME), ::GetFocus());
}

TEST_F(DataExchangeTest, ControlMissingFromTheTemplateIsAResourceError)
{
    dialog.m_nMissingControl = 4242;
    EXPECT_THROW(dialog.UpdateData(TRUE), CResourceException);
}

TEST_F(DataExchangeTest, CommandHandlerExceptionReachesTheReportHook)
{
    dialog.onCommand = [] { throw CNotSupportedException(); };
    ::SendMessageA(dialog.m_hWnd, WM_COMMAND, IDC_FORM_LABEL, 0);
    ASSERT_EQ(1u, app.reports.size());
    EXPECT_EQ("CNotSupportedException", app.reports[0]);
    EXPECT_TRUE(::IsWindow(dialog.m_hWnd));
}

TEST_F(DataExchangeTest, TabMovesTheFocusInAModelessDialog)
{
    ::ShowWindow(dialog.m_hWnd, SW_SHOW);
    ::SetActiveWindow(dialog.m_hWnd);
    ::SetFocus(Item(IDC_FORM_NAME));
    ASSERT_EQ(Item(IDC_FORM_NAME), ::GetFocus());
    ::PostMessageA(Item(IDC_FORM_NAME), WM_KEYDOWN, VK_TAB, 1);
    AfxPumpMessages();
    EXPECT_EQ(Item(IDC_FORM_CHECK), ::GetFocus());
}

// ---- colours --------------------------------------------------------------

constexpr COLORREF kGrey = RGB(192, 192, 192);

// The answer of `window` to a colour request from its control `id`, with the
// colours it set.
struct ColourAnswer {
    HBRUSH brush;
    COLORREF background;
    COLORREF text;
};

ColourAnswer AskColour(HWND window, UINT message, int id)
{
    HDC dc = ::GetDC(window);
    ::SetBkColor(dc, RGB(1, 2, 3));
    ::SetTextColor(dc, RGB(4, 5, 6));
    const auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageA(window, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(::GetDlgItem(window, id))));
    const ColourAnswer answer{brush, ::GetBkColor(dc), ::GetTextColor(dc)};
    ::ReleaseDC(window, dc);
    return answer;
}

class DialogColoursTest : public ::testing::Test {
protected:
    void SetUp() override { app.SetDialogBkColor(kGrey, RGB(0, 0, 0)); }
    CRecordingApp app;
};

TEST_F(DialogColoursTest, DialogsAndTheirStaticsAreGreyWithBlackText)
{
    CFormDialog dialog;
    ASSERT_TRUE(dialog.Create());
    for (UINT message : {WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, WM_CTLCOLORBTN}) {
        const ColourAnswer answer = AskColour(dialog.m_hWnd, message, IDC_FORM_LABEL);
        EXPECT_EQ(app.GetDialogBkBrush(), answer.brush);
        EXPECT_EQ(kGrey, answer.background);
        EXPECT_EQ(RGB(0, 0, 0), answer.text);
    }
    EXPECT_NE(app.GetDialogBkBrush(), AskColour(dialog.m_hWnd, WM_CTLCOLOREDIT, IDC_FORM_NAME).brush);
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

TEST_F(DialogColoursTest, DialogsOfOtherCodeGetTheColoursToo)
{
    HWND plain = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEST_FORM), nullptr,
                                      PlainDialogProc, 0);
    ASSERT_NE(nullptr, plain);
    const ColourAnswer answer = AskColour(plain, WM_CTLCOLORSTATIC, IDC_FORM_LABEL);
    EXPECT_EQ(app.GetDialogBkBrush(), answer.brush);
    EXPECT_EQ(kGrey, answer.background);
    ::DestroyWindow(plain);
}

ColourAnswer g_messageBoxAnswer{};
bool g_messageBoxSeen = false;

BOOL CALLBACK ProbeMessageBox(HWND window, LPARAM)
{
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "#32770")
        return TRUE;
    HWND text = nullptr;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (CWnd::GetWindowText(child) == "Colour probe")
            text = child;
    if (!text)
        return TRUE;
    g_messageBoxAnswer = AskColour(window, WM_CTLCOLORSTATIC, ::GetDlgCtrlID(text));
    g_messageBoxSeen = true;
    ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK ProbeTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (!::EnumThreadWindows(::GetCurrentThreadId(), ProbeMessageBox, 0))
        ::KillTimer(nullptr, id);
}

TEST_F(DialogColoursTest, MessageBoxesAreGreyWithBlackText)
{
    g_messageBoxSeen = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, ProbeTimer);
    ::MessageBoxA(nullptr, "Colour probe", "Probe", MB_OK);
    ::KillTimer(nullptr, timer);
    ASSERT_TRUE(g_messageBoxSeen);
    EXPECT_EQ(app.GetDialogBkBrush(), g_messageBoxAnswer.brush);
    EXPECT_EQ(kGrey, g_messageBoxAnswer.background);
    EXPECT_EQ(RGB(0, 0, 0), g_messageBoxAnswer.text);
}

} // namespace
