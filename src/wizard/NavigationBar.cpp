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

BOOL CNavigationBar::OnInitDialog()
{
    CDialog::OnInitDialog();
    const RECT bar = GetWindowRect();
    const RECT page = m_page.GetWindowRect();
    const RECT client = m_page.GetClientRect();
    const int barWidth = static_cast<int>(bar.right - bar.left);
    const int barHeight = static_cast<int>(bar.bottom - bar.top);
    const int width = std::max(static_cast<int>(page.right - page.left), barWidth);

    ::MoveWindow(m_hWnd, (static_cast<int>(client.right) - barWidth) / 2, static_cast<int>(client.bottom), width,
                 barHeight, FALSE);
    ::MoveWindow(m_page.m_hWnd, page.left, page.top, width, static_cast<int>(page.bottom - page.top) + barHeight,
                 FALSE);

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
