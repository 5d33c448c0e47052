#include "fw/App.h"

#include "fw/Dialog.h"
#include "fw/Strings.h"
#include "fw/Wnd.h"

#include <cstring>
#include <utility>

namespace {

CWinApp* g_pApp = nullptr;
bool g_bQuietAnswers = false;
MessageBoxObserver g_messageBoxObserver;

// What start-up and exit report with: no window, no message.
constexpr MSG kNoMessage{};

// Runs `step` under the window procedures' guard; FALSE when it threw (the
// exception has been reported).
template <class Step>
BOOL RunGuarded(const MSG& msg, Step&& step) noexcept
{
    BOOL completed = FALSE;
    AfxCallGuarded(msg, [&] {
        step();
        completed = TRUE;
        return LRESULT(0);
    });
    return completed;
}

// One message of the loop or the pump: offered to PreTranslateMessage, else
// translated and dispatched. An exception is reported and the message dropped.
void ProcessMessage(CWinApp* app, MSG& msg) noexcept
{
    RunGuarded(msg, [&] {
        if (app && app->PreTranslateMessage(&msg))
            return;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    });
}

} // namespace

CWinApp::CWinApp() noexcept
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    AfxUnhookDialogColors();
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* AfxGetApp() noexcept
{
    return g_pApp;
}

HINSTANCE AfxGetInstanceHandle() noexcept
{
    if (g_pApp && g_pApp->m_hInstance)
        return g_pApp->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}

HWND CWinApp::GetMainHwnd() const noexcept
{
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        return m_pMainWnd->m_hWnd;
    return m_hMainWnd;
}

void CWinApp::SetDialogBkColor(COLORREF background, COLORREF text)
{
    m_crDialogBk = background;
    m_crDialogText = text;
    m_dialogBrush.Reset(::CreateSolidBrush(background));
    AfxHookDialogColors();
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    // From the message's window up through its parents to the top-level window.
    for (HWND hwnd = msg->hwnd; hwnd;
         hwnd = (::GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) ? ::GetParent(hwnd) : nullptr) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(hwnd))
            if (wnd->PreTranslateMessage(msg))
                return TRUE;
    }
    return FALSE;
}

int CWinApp::Run()
{
    MSG msg{};
    // GetMessage answers 0 for WM_QUIT and -1 for an error.
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ProcessMessage(this, msg);
    if (msg.message == WM_QUIT)
        m_nExitCode = static_cast<int>(msg.wParam);
    int exitCode = kExitFailure;
    RunGuarded(kNoMessage, [&] { exitCode = ExitInstance(); });
    return exitCode;
}

void CWinApp::EndSession()
{
    int exitCode = kExitFailure;
    RunGuarded(kNoMessage, [&] { exitCode = ExitInstance(); });
    ::ExitProcess(static_cast<UINT>(exitCode));
}

LRESULT CWinApp::ProcessWndProcException(const CException& e, const MSG*)
{
    if (g_bQuietAnswers)
        return 0;
    ::MessageBoxA(GetMainHwnd(), e.GetRuntimeClassName(), nullptr, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

LRESULT AfxReportWndProcException(const CException& e, const MSG* msg) noexcept
{
    try {
        if (CWinApp* app = AfxGetApp())
            return app->ProcessWndProcException(e, msg);
    } catch (...) {
        // A failing report must not take the process down from inside a callback.
    }
    return 0;
}

int AfxWinMain(HINSTANCE instance, const char* commandLine, int showCommand) noexcept
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return kExitFailure;
    app->m_hInstance = instance;
    app->m_nCmdShow = showCommand;
    BOOL started = FALSE;
    if (!RunGuarded(kNoMessage, [&] {
            app->m_strCmdLine = commandLine ? commandLine : "";
            started = app->InitInstance();
        }))
        app->m_nExitCode = kExitFailure;
    int exitCode = kExitFailure;
    if (started)
        RunGuarded(kNoMessage, [&] { exitCode = app->Run(); });
    else
        RunGuarded(kNoMessage, [&] { exitCode = app->ExitInstance(); });
    return exitCode;
}

int AfxMessageBox(unsigned idPrompt, unsigned type)
{
    return AfxMessageBox(AfxLoadString(idPrompt).c_str(), type);
}

void AfxSetQuietAnswers(bool quiet) noexcept
{
    g_bQuietAnswers = quiet;
}

bool AfxQuietAnswers() noexcept
{
    return g_bQuietAnswers;
}

void AfxSetMessageBoxObserver(MessageBoxObserver observer)
{
    g_messageBoxObserver = std::move(observer);
}

int AfxDefaultAnswer(unsigned type) noexcept
{
    static const int kButtons[][3] = {
        {IDOK, IDOK, IDOK},                // MB_OK
        {IDOK, IDCANCEL, IDCANCEL},        // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},      // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},           // MB_YESNOCANCEL
        {IDYES, IDNO, IDNO},               // MB_YESNO
        {IDRETRY, IDCANCEL, IDCANCEL},     // MB_RETRYCANCEL
        {IDCANCEL, IDTRYAGAIN, IDCONTINUE} // MB_CANCELTRYCONTINUE
    };
    const unsigned buttons = type & MB_TYPEMASK;
    const unsigned which = (type & MB_DEFMASK) >> 8;
    if (buttons >= sizeof kButtons / sizeof kButtons[0] || which > 2)
        return buttons == MB_OK ? IDOK : IDCANCEL;
    return kButtons[buttons][which];
}

int AfxMessageBox(const char* text, unsigned type)
{
    if (g_bQuietAnswers) {
        const int answer = AfxDefaultAnswer(type);
        if (g_messageBoxObserver)
            g_messageBoxObserver(text ? text : "", answer, true);
        return answer;
    }
    CWinApp* app = AfxGetApp();
    std::string caption;
    if (app) {
        char name[MAX_PATH];
        const DWORD n = ::GetModuleFileNameA(nullptr, name, MAX_PATH);
        caption.assign(name, n);
        caption = caption.substr(caption.find_last_of('\\') + 1);
    }
    const int answer = ::MessageBoxA(app ? app->GetMainHwnd() : nullptr, text,
                                     caption.empty() ? nullptr : caption.c_str(), type);
    if (g_messageBoxObserver)
        g_messageBoxObserver(text ? text : "", answer, false);
    return answer;
}

namespace {

// A dialog of the thread that a modal loop runs: a CDialog object run by
// DoModal, or a dialog without an object (a message box).
BOOL CALLBACK EndModalDialog(HWND hwnd, LPARAM) noexcept
{
    char className[16] = {};
    if (!::GetClassNameA(hwnd, className, sizeof className) || std::strcmp(className, "#32770") != 0)
        return TRUE;
    const auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hwnd));
    if (!dialog || dialog->IsModal())
        ::EndDialog(hwnd, IDCANCEL);
    return TRUE;
}

} // namespace

void AfxEndModalDialogs() noexcept
{
    ::EnumThreadWindows(::GetCurrentThreadId(), EndModalDialog, 0);
}

void AfxPumpMessages() noexcept
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ProcessMessage(AfxGetApp(), msg);
    }
}
