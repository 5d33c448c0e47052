#include "fw/Wnd.h"

#include "fw/WindowTable.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The message being handled on this thread, innermost first; Default() works
// on it. A dialog's default processing happens after its procedure returns
// FALSE, so in a dialog Default() only records that the message was left to it.
struct DispatchFrame {
    MSG msg;
    bool dialog;
    bool defaulted;
    DispatchFrame* outer;
};
thread_local DispatchFrame* t_pFrame = nullptr;

// The object whose window CreateEx is creating; it is attached at WM_NCCREATE,
// which carries it as the creation parameter (a WM_GETMINMAXINFO before that
// gets the default processing).
thread_local CWnd* t_pWndInit = nullptr;

using CWindowObjects = CWindowTable<CWnd*>;

} // namespace

CWnd::~CWnd()
{
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this)
        app->m_pMainWnd = nullptr;
    if (m_hWnd)
        ::DestroyWindow(Detach());
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) noexcept
{
    // Only windows of this process are in the table.
    return hwnd ? CWindowObjects::Instance().Find(hwnd) : nullptr;
}

void CWnd::Attach(HWND hwnd) noexcept
{
    m_hWnd = hwnd;
    CWindowObjects::Instance().Set(hwnd, this);
}

HWND CWnd::Detach() noexcept
{
    HWND hwnd = m_hWnd;
    if (hwnd)
        CWindowObjects::Instance().Remove(hwnd);
    m_hWnd = nullptr;
    return hwnd;
}

void CWnd::OnFinalMessage(const MSG& msg) noexcept
{
    Detach();
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    AfxCallGuarded(msg, [this] {
        PostNcDestroy();
        return LRESULT(0);
    });
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId)
{
    CWnd* const outer = t_pWndInit;
    t_pWndInit = this;
    HWND hwnd = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menuOrId,
                                  AfxGetInstanceHandle(), this);
    t_pWndInit = outer;
    return hwnd != nullptr && m_hWnd == hwnd;
}

BOOL CWnd::Create(const char* className, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id)
{
    return CreateEx(0, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

RECT CWnd::GetClientRect() const
{
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT CWnd::GetWindowRect() const
{
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    return rc;
}

std::string CWnd::GetWindowText() const
{
    return GetWindowText(m_hWnd);
}

std::string CWnd::GetWindowText(HWND hwnd)
{
    if (!hwnd)
        return {};
    std::vector<char> text(static_cast<std::size_t>(::GetWindowTextLengthA(hwnd)) + 1);
    const int n = ::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), static_cast<std::size_t>(std::max(n, 0)));
}

void CWnd::CenterWindow(HWND alternateOwner) const
{
    const bool child = (::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
    const RECT self = GetWindowRect();
    const LONG width = self.right - self.left;
    const LONG height = self.bottom - self.top;
    RECT area{};
    RECT centre{};
    if (child) {
        HWND parent = ::GetParent(m_hWnd);
        ::GetClientRect(parent, &area);
        centre = area;
    } else {
        HWND owner = alternateOwner ? alternateOwner : ::GetWindow(m_hWnd, GW_OWNER);
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        centre = area;
        if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
            ::GetWindowRect(owner, &centre);
    }
    LONG x = (centre.left + centre.right) / 2 - width / 2;
    LONG y = (centre.top + centre.bottom) / 2 - height / 2;
    if (!child) {
        x = std::max(area.left, std::min(x, area.right - width));
        y = std::max(area.top, std::min(y, area.bottom - height));
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::Default()
{
    DispatchFrame* frame = t_pFrame;
    if (!frame)
        return 0;
    if (frame->dialog) {
        frame->defaulted = true;
        return 0;
    }
    return ::DefWindowProcA(frame->msg.hwnd, frame->msg.message, frame->msg.wParam, frame->msg.lParam);
}

LRESULT CWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam));
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_ACTIVATEAPP:
        OnActivateApp(static_cast<BOOL>(wParam), static_cast<DWORD>(lParam));
        return 0;
    case WM_PALETTECHANGED:
        OnPaletteChanged(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_QUERYNEWPALETTE:
        return OnQueryNewPalette();
    case WM_ENDSESSION:
        OnEndSession(static_cast<BOOL>(wParam));
        return 0;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return 0;
        return Default();
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        if (header && OnNotify(static_cast<UINT>(header->idFrom), header, result))
            return result;
        return Default();
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(
            OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message));
    default:
        return Default();
    }
}

int CWnd::OnCreate(CREATESTRUCTA*)
{
    return static_cast<int>(Default());
}

void CWnd::OnDestroy()
{
    Default();
}

void CWnd::OnPaint()
{
    Default();
}

void CWnd::OnClose()
{
    Default();
}

void CWnd::OnActivateApp(BOOL, DWORD)
{
    Default();
}

void CWnd::OnPaletteChanged(HWND)
{
    Default();
}

BOOL CWnd::OnQueryNewPalette()
{
    return static_cast<BOOL>(Default());
}

BOOL CWnd::OnCommand(UINT, UINT, HWND)
{
    return FALSE;
}

BOOL CWnd::OnNotify(UINT, NMHDR*, LRESULT&)
{
    return FALSE;
}

void CWnd::OnEndSession(BOOL)
{
    Default();
}

HBRUSH CWnd::OnCtlColor(HDC, HWND, UINT)
{
    return reinterpret_cast<HBRUSH>(Default());
}

LRESULT CWnd::Dispatch(CWnd* self, const MSG& msg, bool dialog, bool& defaulted) noexcept
{
    DispatchFrame frame{msg, dialog, false, t_pFrame};
    t_pFrame = &frame;
    const LRESULT result = AfxCallGuarded(msg, [&] { return self->OnMessage(msg.message, msg.wParam, msg.lParam); });
    t_pFrame = frame.outer;
    defaulted = frame.defaulted;
    return result;
}

LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = CWnd::FromHandlePermanent(hwnd);
    if (!self && message == WM_NCCREATE && t_pWndInit &&
        reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams == t_pWndInit) {
        self = t_pWndInit;
        t_pWndInit = nullptr;
        self->Attach(hwnd);
    }
    if (!self)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    bool defaulted = false;
    const LRESULT result = CWnd::Dispatch(self, msg, false, defaulted);
    if (message == WM_NCDESTROY)
        self->OnFinalMessage(msg);
    return result;
}

std::string AfxRegisterWndClass(UINT style, HCURSOR cursor, HBRUSH brush, HICON icon)
{
    HINSTANCE instance = AfxGetInstanceHandle();
    char name[96];
    std::snprintf(name, sizeof name, "Pelto:%p:%x:%p:%p:%p", static_cast<void*>(instance), style,
                  static_cast<void*>(cursor), static_cast<void*>(brush), static_cast<void*>(icon));
    WNDCLASSA wc{};
    if (::GetClassInfoA(instance, name, &wc))
        return name;
    wc.style = style;
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = brush;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    if (!::RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        AfxThrowResourceException();
    return name;
}

std::string AfxDefaultWndClass()
{
    return AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursorA(nullptr, IDC_ARROW));
}

LRESULT AfxHandleWndProcException(const CException& e, const MSG& msg) noexcept
{
    if (msg.message == WM_PAINT && msg.hwnd)
        ::ValidateRect(msg.hwnd, nullptr);
    const LRESULT result = AfxReportWndProcException(e, &msg);
    return msg.message == WM_CREATE ? -1 : result;
}

LRESULT AfxHandleUnknownWndProcException(const MSG& msg) noexcept
{
    return AfxHandleWndProcException(CUnknownException(), msg);
}
