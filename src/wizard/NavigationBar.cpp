#include "wizard/NavigationBar.h"

#include "res/resource.h"
#include "wizard/SetupPage.h"

#include <algorithm>

CNavigationBar::CNavigationBar(CSetupPage& page) noexcept : CDialog(IDD_NAVIGATION_BAR), m_page(page) {}

void CNavigationBar::EnableNext(BOOL enable) const
{
    ::EnableWindow(GetDlgItem(IDC_NEXT), enable);
}

void CNavigationBar::EnableBack(BOOL enable) const
{
    ::EnableWindow(GetDlgItem(IDC_BACK), enable);
}

void PlaceNavigationBar(HWND page, HWND bar)
{
    RECT barRect{}, pageRect{}, client{};
    ::GetWindowRect(bar, &barRect);
    ::GetWindowRect(page, &pageRect);
    ::GetClientRect(page, &client);
    const int barWidth = static_cast<int>(barRect.right - barRect.left);
    const int barHeight = static_cast<int>(barRect.bottom - barRect.top);
    const int pageWidth = static_cast<int>(pageRect.right - pageRect.left);
    const int width = std::max(pageWidth, barWidth);
    // Centred in the client area the page has once widened: on a page
    // narrower than the bar, centring on the old width would push the bar's
    // left end (Cancel) out of the page.
    const int clientWidth = static_cast<int>(client.right) + (width - pageWidth);
    ::MoveWindow(bar, (clientWidth - barWidth) / 2, static_cast<int>(client.bottom), width, barHeight, FALSE);
    ::MoveWindow(page, pageRect.left, pageRect.top, width, static_cast<int>(pageRect.bottom - pageRect.top) + barHeight,
                 FALSE);
}

BOOL CNavigationBar::OnInitDialog()
{
    CDialog::OnInitDialog();
    PlaceNavigationBar(m_page.m_hWnd, m_hWnd);
    EnableBack(m_page.m_nPrevId != kNoPage);
    EnableNext(m_page.m_nNextId != kNoPage);
    return TRUE;
}

BOOL CNavigationBar::OnCommand(UINT id, UINT code, HWND)
{
    if (code != BN_CLICKED)
        return FALSE;
    switch (id) {
    case IDC_NEXT:
        m_page.OnOK();
        return TRUE;
    case IDC_BACK:
        m_page.GoBack();
        return TRUE;
    case IDCANCEL:
        m_page.OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

void CNavigationBar::PostNcDestroy()
{
    if (m_page.m_pNavBar == this)
        m_page.m_pNavBar = nullptr;
    delete this;
}
