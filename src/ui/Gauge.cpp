#include "ui/Gauge.h"

#include "fw/Gdi.h"
#include "ui/Drawing.h"

#include <algorithm>

CGauge::~CGauge() = default;

BOOL CGauge::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    RECT place = rect;
    if (parent && parent->m_hWnd) {
        if (HWND placeholder = parent->GetDlgItem(static_cast<int>(id))) {
            ::GetClientRect(placeholder, &place);
            ::MapWindowPoints(placeholder, parent->m_hWnd, reinterpret_cast<POINT*>(&place), 2);
            ::DestroyWindow(placeholder);
        }
    }
    m_nShownPercent = kNoneShown;
    return CWnd::Create(AfxDefaultWndClass().c_str(), "Gauge", style, place, parent, id);
}

void CGauge::SetPos(std::uint32_t pos, BOOL redrawNow)
{
    m_nPos = std::max(std::min(m_nMax, pos), m_nMin);
    if (!m_hWnd)
        return;
    const int percent = GaugePercent(m_nMin, m_nMax, m_nPos);
    if (percent == m_nShownPercent)
        return;
    m_nShownPercent = percent;
    Invalidate(FALSE);
    if (redrawNow)
        UpdateWindow();
}

void CGauge::OnPaint()
{
    CPaintDC dc(m_hWnd);
    DrawGauge(dc.Get(), GetClientRect(), ::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_HIGHLIGHT), FALSE, m_nMin,
              m_nMax, m_nPos);
}
