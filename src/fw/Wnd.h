#pragma once
// Windows of the framework. A CWnd object is attached to one window handle and
// receives that window's messages through OnMessage, which hands the common ones
// to named handlers; every handler's default is the window class's own
// processing (Default). No exception leaves a window procedure: the procedure
// reports it through AfxReportWndProcException (see AfxCallGuarded).
#include "fw/App.h"
#include "fw/Exception.h"

#include <new>
#include <string>

#include <windows.h>

class CWnd {
public:
    CWnd() noexcept = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // A window still attached is detached and destroyed.
    virtual ~CWnd();

    // The object attached to a window, or null.
    static CWnd* FromHandlePermanent(HWND hwnd) noexcept;

    // Creates the window and attaches it to this object; the object receives
    // every message from WM_NCCREATE on. The class must use AfxWndProc
    // (AfxRegisterWndClass). FALSE when creation failed.
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId);
    // A child or pop-up window at `rect` (parent's client coordinates).
    BOOL Create(const char* className, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                UINT id);
    BOOL DestroyWindow();

    // Called by the application's message loop for messages of this window and
    // its children before they are dispatched; TRUE when consumed.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Thin helpers over the window handle.
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    void UpdateWindow() const { ::UpdateWindow(m_hWnd); }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    std::string GetWindowText() const;
    static std::string GetWindowText(HWND hwnd);
    void SetWindowText(const char* text) const { ::SetWindowTextA(m_hWnd, text); }
    void SetDlgItemText(int id, const char* text) const { ::SetDlgItemTextA(m_hWnd, id, text); }
    std::string GetDlgItemText(int id) const { return GetWindowText(GetDlgItem(id)); }
    // Centres the window on its owner (or `alternateOwner`); on the work area
    // when there is no visible, non-minimized owner. Stays inside the work area.
    void CenterWindow(HWND alternateOwner = nullptr) const;

    HWND m_hWnd = nullptr;

protected:
    // Handles one message. The base hands the messages below to their named
    // handlers and everything else to Default().
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled: the window class's
    // procedure for windows, the dialog manager's for dialogs.
    LRESULT Default();

    virtual int OnCreate(CREATESTRUCTA* cs);
    virtual void OnDestroy();
    virtual void OnPaint();
    virtual void OnClose();
    virtual void OnActivateApp(BOOL active, DWORD threadId);
    virtual void OnPaletteChanged(HWND changer);
    virtual BOOL OnQueryNewPalette();
    // WM_ENDSESSION: Windows is (ending) or is not ending the session.
    virtual void OnEndSession(BOOL ending);
    // WM_COMMAND; TRUE when handled (otherwise Default() gets it).
    virtual BOOL OnCommand(UINT id, UINT code, HWND control);
    // WM_NOTIFY; TRUE when handled, with the message's result in `result`.
    virtual BOOL OnNotify(UINT id, NMHDR* header, LRESULT& result);
    // WM_CTLCOLOR...: the brush for the control's background.
    virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT message);
    // After the window is gone and the object detached; a self-owning object
    // may delete itself here.
    virtual void PostNcDestroy() {}

    void Attach(HWND hwnd) noexcept;
    HWND Detach() noexcept;
    // Detaches after WM_NCDESTROY: clears the application's main window (ending
    // the message loop when it was this one) and calls PostNcDestroy.
    void OnFinalMessage(const MSG& msg) noexcept;
    // Runs OnMessage for one message with no exception escaping. `dialog`: the
    // default processing comes after the procedure returns; `defaulted` tells
    // whether the handler left the message to it.
    static LRESULT Dispatch(CWnd* self, const MSG& msg, bool dialog, bool& defaulted) noexcept;

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend class CDialog;
};

// The window procedure of every class registered by AfxRegisterWndClass.
LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once) a window class of this module with AfxWndProc and returns its
// name. `brush` null: the window paints its own background.
std::string AfxRegisterWndClass(UINT style, HCURSOR cursor = nullptr, HBRUSH brush = nullptr,
                                HICON icon = nullptr);
// The default class of child windows: double clicks, redrawn on resize, arrow
// cursor, no background brush.
std::string AfxDefaultWndClass();

// Reports an exception caught at a Win32 callback for `msg` and gives the
// procedure's answer: a WM_PAINT window is validated first (else the report's
// own message loop would repaint and fail again), WM_CREATE fails creation (-1),
// otherwise the application's answer.
LRESULT AfxHandleWndProcException(const CException& e, const MSG& msg) noexcept;
// Reports any exception other than the framework's (class name "CException").
LRESULT AfxHandleUnknownWndProcException(const MSG& msg) noexcept;

// Runs `handler` for `msg` so that no exception escapes: framework exceptions,
// std::bad_alloc (as CMemoryException) and anything else are reported.
template <class Handler>
LRESULT AfxCallGuarded(const MSG& msg, Handler&& handler) noexcept
{
    try {
        return handler();
    } catch (const CException& e) {
        return AfxHandleWndProcException(e, msg);
    } catch (const std::bad_alloc&) {
        return AfxHandleWndProcException(CMemoryException(), msg);
    } catch (...) {
        return AfxHandleUnknownWndProcException(msg);
    }
}
