#include "fw/App.h"

#include "fw/Dialog.h"
#include "fw/Strings.h"
#include "fw/Wnd.h"

#include <new>

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp() noexcept
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    AfxUnhookDialogColors();
    if (m_hDialogBrush)
        ::DeleteObject(m_hDialogBrush);
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
    if (m_hDialogBrush)
        ::DeleteObject(m_hDialogBrush);
    m_crDialogBk = background;
    m_crDialogText = text;
    m_hDialogBrush = ::CreateSolidBrush(background);
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
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        try {
            if (PreTranslateMessage(&msg))
                continue;
        } catch (const CException& e) {
            AfxReportWndProcException(e, &msg);
            continue;
        } catch (const std::bad_alloc&) {
            AfxReportWndProcException(CMemoryException(), &msg);
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    if (msg.message == WM_QUIT)
        m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

LRESULT CWinApp::ProcessWndProcException(const CException& e, const MSG*)
{
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

int AfxWinMain(HINSTANCE instance, const char* commandLine, int showCommand)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    app->m_strCmdLine = commandLine ? commandLine : "";
    app->m_nCmdShow = showCommand;
    try {
        if (!app->InitInstance())
            return app->ExitInstance();
    } catch (const CException& e) {
        AfxReportWndProcException(e, nullptr);
        return app->ExitInstance();
    }
    return app->Run();
}

int AfxMessageBox(unsigned idPrompt, unsigned type)
{
    return AfxMessageBox(AfxLoadString(idPrompt).c_str(), type);
}

int AfxMessageBox(const char* text, unsigned type)
{
    CWinApp* app = AfxGetApp();
    std::string caption;
    if (app) {
        char name[MAX_PATH];
        const DWORD n = ::GetModuleFileNameA(nullptr, name, MAX_PATH);
        caption.assign(name, n);
        caption = caption.substr(caption.find_last_of('\\') + 1);
    }
    return ::MessageBoxA(app ? app->GetMainHwnd() : nullptr, text, caption.empty() ? nullptr : caption.c_str(),
                         type);
}

void AfxPumpMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        CWinApp* app = AfxGetApp();
        try {
            if (app && app->PreTranslateMessage(&msg))
                continue;
        } catch (const CException& e) {
            AfxReportWndProcException(e, &msg);
            continue;
        } catch (const std::bad_alloc&) {
            AfxReportWndProcException(CMemoryException(), &msg);
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}
