#include "fw/FrameWnd.h"

BOOL CFrameWnd::Create(const char* className, const char* title, DWORD style, const RECT* rect, CWnd* parent,
                       HMENU menu, DWORD exStyle)
{
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    if (rect) {
        x = rect->left;
        y = rect->top;
        width = rect->right - rect->left;
        height = rect->bottom - rect->top;
    }
    return CreateEx(exStyle, className, title, style, x, y, width, height, parent ? parent->m_hWnd : nullptr,
                    menu);
}

void CFrameWnd::OnEndSession(BOOL ending)
{
    CWinApp* app = AfxGetApp();
    if (ending && app && app->m_pMainWnd == this)
        app->EndSession();
}
