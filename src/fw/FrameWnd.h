#pragma once
// A top-level frame window. As the application's main window (m_pMainWnd) its
// destruction ends the message loop.
#include "fw/Wnd.h"

class CFrameWnd : public CWnd {
public:
    // Creates the window at the default position and size unless `rect` is
    // given; the class must come from AfxRegisterWndClass. FALSE on failure.
    BOOL Create(const char* className, const char* title, DWORD style = WS_OVERLAPPEDWINDOW,
                const RECT* rect = nullptr, CWnd* parent = nullptr, HMENU menu = nullptr, DWORD exStyle = 0);

protected:
    // As the main window: Windows ends the session, and the application
    // decides how the run ends (CWinApp::EndSession).
    void OnEndSession(BOOL ending) override;
};
