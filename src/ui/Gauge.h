#pragma once
// The progress gauge: a child window painting a horizontal bar with the
// percentage written across it (DrawGauge). It can take the place of a
// placeholder control in a dialog template.
#include "fw/Wnd.h"

#include <cstdint>

class CGauge : public CWnd {
public:
    CGauge(std::uint32_t min, std::uint32_t max, std::uint32_t pos) noexcept
        : m_nMin(min), m_nMax(max), m_nPos(pos) {}
    ~CGauge() override;

    // Creates the gauge window, text "Gauge", as child `id` of `parent`. When
    // `parent` has a child with `id` (the placeholder), that child's rectangle
    // replaces `rect` and the placeholder is destroyed. FALSE on failure.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // Moves to `pos` clamped to m_nMin .. m_nMax and repaints (at once when
    // `redrawNow`) when the percentage shown changes.
    void SetPos(std::uint32_t pos, BOOL redrawNow = FALSE);

    std::uint32_t m_nMin;
    std::uint32_t m_nMax;
    std::uint32_t m_nPos;

protected:
    void OnPaint() override;

private:
    // The bar and its text follow the whole percent alone; a copy moves the
    // gauge every 4096 bytes, and a repaint is a round trip to the display.
    int m_nShownPercent = kNoneShown;
    static constexpr int kNoneShown = -2;
};
