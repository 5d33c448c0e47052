#pragma once
// The application object: one per process, reached through AfxGetApp(). It
// runs the message loop and receives every exception that escapes a window or
// dialog procedure, the loop, the pump, start-up or exit: no exception crosses
// a Win32 callback or leaves the program's entry point.
#include "fw/Exception.h"
#include "fw/Gdi.h"

#include <functional>
#include <string>
#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp() noexcept;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // Start-up; FALSE ends the run at once (ExitInstance still runs).
    virtual BOOL InitInstance() { return TRUE; }
    // The message loop; ends at WM_QUIT, whose code becomes m_nExitCode, and
    // returns ExitInstance's result (kExitFailure when ExitInstance throws).
    // An exception while a message is handled is reported and the loop goes on.
    virtual int Run();
    virtual int ExitInstance() { return m_nExitCode; }
    // Windows ends the session (WM_ENDSESSION to the main window): once this
    // returns, Windows may end the process at any moment. The base runs
    // ExitInstance and ends the process with its code at once, from inside
    // the message, so that nothing of the program runs on over what the exit
    // steps released.
    virtual void EndSession();
    // Reports an exception that escaped a window procedure, the loop or the
    // pump (`msg`: the message being handled), or start-up or exit (`msg`: a
    // message of code 0 without a window); the result is the procedure's
    // answer to the message.
    virtual LRESULT ProcessWndProcException(const CException& e, const MSG* msg);
    // Called for every message before it is dispatched; TRUE when handled. The
    // base offers it to the window's object and those of its parents
    // (CWnd::PreTranslateMessage), so modeless dialogs get their keyboard
    // handling.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Background and text colour of every dialog and message box; from the
    // first call on, message boxes and common dialogs of this thread get them
    // too (AfxHookDialogColors).
    void SetDialogBkColor(COLORREF background = RGB(192, 192, 192), COLORREF text = RGB(0, 0, 0));
    COLORREF GetDialogBkColor() const noexcept { return m_crDialogBk; }
    COLORREF GetDialogTextColor() const noexcept { return m_crDialogText; }
    HBRUSH GetDialogBkBrush() const noexcept { return m_dialogBrush.Get(); }

    HINSTANCE m_hInstance = nullptr;
    std::string m_strCmdLine;  // the command line after the program name
    int m_nCmdShow = SW_SHOWNORMAL;
    // The main window: its destruction ends the message loop. Programs without
    // a window object may set m_hMainWnd instead, as the owner of message boxes.
    CWnd* m_pMainWnd = nullptr;
    HWND m_hMainWnd = nullptr;
    int m_nExitCode = 0;

    // m_pMainWnd's window, else m_hMainWnd.
    HWND GetMainHwnd() const noexcept;

private:
    COLORREF m_crDialogBk = RGB(192, 192, 192);
    COLORREF m_crDialogText = RGB(0, 0, 0);
    CBrush m_dialogBrush;
};

// The exit code of a run that an exception ended: one that escaped start-up
// (unless ExitInstance answers otherwise), Run or ExitInstance.
constexpr int kExitFailure = -1;

CWinApp* AfxGetApp() noexcept;

// The module whose resources the program uses: the application's instance, or
// the program file's module when there is no application (tests).
HINSTANCE AfxGetInstanceHandle() noexcept;

// Hands an exception caught at a Win32 callback boundary to the application.
// Never throws.
LRESULT AfxReportWndProcException(const CException& e, const MSG* msg) noexcept;

// Runs the application: InitInstance, the message loop, ExitInstance; the exit
// code is ExitInstance's result. An exception from start-up is reported, sets
// m_nExitCode to kExitFailure, and the run goes on with ExitInstance; one that
// escapes Run or ExitInstance is reported and the result is kExitFailure, as
// it is without an application object.
int AfxWinMain(HINSTANCE instance, const char* commandLine, int showCommand) noexcept;

// Message boxes with a text from the string table.
int AfxMessageBox(unsigned idPrompt, unsigned type = MB_OK);
int AfxMessageBox(const char* text, unsigned type = MB_OK);

// Quiet answers, for a run that nobody watches: from the call on, no message
// box or modal dialog of the process is shown, so that nothing waits for a
// person. AfxMessageBox answers with the box's default button
// (MB_DEFBUTTON1 to 3 of its buttons), a modal dialog's DoModal ends as
// cancelled (IDCANCEL) before its window is made.
void AfxSetQuietAnswers(bool quiet) noexcept;
bool AfxQuietAnswers() noexcept;
// The answer a message box of `type` gives when nobody presses a button.
int AfxDefaultAnswer(unsigned type) noexcept;
// Told of every AfxMessageBox: its text, the answer, and whether the box was
// answered quietly instead of shown. Empty: nobody is told.
using MessageBoxObserver = std::function<void(const char* text, int answer, bool quiet)>;
void AfxSetMessageBoxObserver(MessageBoxObserver observer);

// Ends every modal dialog and message box of the calling thread as if it had
// been cancelled (IDCANCEL); modeless dialogs stay. Each one's caller gets
// its answer when control returns to it.
void AfxEndModalDialogs() noexcept;

// Dispatches every waiting message of the thread, as the loop does (no exception
// escapes); a quit message met on the way is posted again with its code and the
// pump returns at once, so the main loop still ends.
void AfxPumpMessages() noexcept;
