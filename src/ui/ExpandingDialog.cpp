#include "ui/ExpandingDialog.h"

#include "res/resource.h"

#include <string>

BOOL CExpandingDialog::OnInitDialog()
{
    const BOOL result = CDialog::OnInitDialog();
    m_rcFull = GetWindowRect();
    m_bExpanded = TRUE;
    Toggle();
    return result;
}

void CExpandingDialog::Toggle()
{
    RECT size{};
    RECT visible{};
    if (m_bExpanded) {
        HWND corner = GetDlgItem(IDC_ERROR_CORNER);
        if (!corner)
            return;
        RECT rc{};
        ::GetWindowRect(corner, &rc);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        size = RECT{0, 0, rc.right, rc.bottom};
        ::AdjustWindowRectEx(&size, static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)));
        visible = size;
        ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&visible), 2);
    } else {
        size = m_rcFull;
        visible = GetWindowRect();
    }
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.right - size.left, size.bottom - size.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rc{};
        ::GetWindowRect(child, &rc);
        const POINT topLeft{rc.left, rc.top};
        const POINT bottomRight{rc.right, rc.bottom};
        if (::PtInRect(&visible, topLeft) && ::PtInRect(&visible, bottomRight))
            continue;
        ::EnableWindow(child, !m_bExpanded);
    }
    m_bExpanded = !m_bExpanded;
}

BOOL CExpandingDialog::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_ERROR_MORE && code == BN_CLICKED) {
        OnMore();
        return TRUE;
    }
    return CDialog::OnCommand(id, code, control);
}

void CExpandingDialog::OnMore()
{
    Toggle();
    std::string caption = GetDlgItemText(IDC_ERROR_MORE);
    const char* from = m_bExpanded ? ">>" : "<<";
    const char* to = m_bExpanded ? "<<" : ">>";
    const std::size_t at = caption.find(from);
    if (at == std::string::npos)
        return;
    caption.replace(at, 2, to);
    SetDlgItemText(IDC_ERROR_MORE, caption.c_str());
}
