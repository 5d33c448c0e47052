#include "ui/Drawing.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::uint32_t kScaleLimit = 1000000;
constexpr COLORREF kPaletteRelative = 0x02000000;

int Channel(COLORREF color, int shift) noexcept
{
    return static_cast<int>((color >> shift) & 0xFF);
}

} // namespace

int GaugePercent(std::uint32_t min, std::uint32_t max, std::uint32_t pos) noexcept
{
    if (min == max)
        return -1;
    const std::uint32_t fullMin = min, fullMax = max, fullPos = pos;
    if (min > kScaleLimit || max > kScaleLimit || pos > kScaleLimit) {
        min /= 1000;
        max /= 1000;
        pos /= 1000;
    }
    std::uint32_t percent;
    if (max == min) {
        // The scaling merged a narrow range high up (1000001 .. 1000999): the
        // full values give the answer without dividing by zero.
        if (fullPos <= fullMin)
            return 0;
        percent = static_cast<std::uint32_t>((std::uint64_t{fullPos} - fullMin) * 100 /
                                             (std::uint64_t{fullMax} - fullMin));
    } else {
        // Below the range the unsigned difference would wrap round to a large value.
        if (pos <= min)
            return 0;
        percent = (pos * 100 - min * 100) / (max - min);
    }
    if (static_cast<std::int32_t>(percent) <= 0)
        return 0;
    return static_cast<int>(std::min<std::uint32_t>(percent, 100));
}

void DrawGauge(HDC dc, const RECT& rect, COLORREF colorA, COLORREF colorB, BOOL vertical, std::uint32_t min,
               std::uint32_t max, std::uint32_t pos)
{
    const int percent = GaugePercent(min, max, pos);
    if (percent < 0)
        return;
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d%%", percent);
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text, length, &extent);
    const UINT oldAlign = ::SetTextAlign(dc, TA_CENTER | TA_TOP);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int x = rect.left + width / 2;
    const int y = rect.top + (height - extent.cy) / 2;

    RECT filled = rect;
    RECT empty = rect;
    if (vertical) {
        filled.bottom = rect.top + percent * height / 100;
        empty.top = filled.bottom;
    } else {
        filled.right = rect.left + percent * width / 100;
        empty.left = filled.right;
    }
    const COLORREF oldText = ::SetTextColor(dc, colorA);
    const COLORREF oldBack = ::SetBkColor(dc, colorB);
    ::ExtTextOutA(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &filled, text, static_cast<UINT>(length), nullptr);
    ::SetTextColor(dc, colorB);
    ::SetBkColor(dc, colorA);
    ::ExtTextOutA(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &empty, text, static_cast<UINT>(length), nullptr);
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);
    ::SetTextAlign(dc, oldAlign);
}

int RampPaletteSize(HDC dc) noexcept
{
    // A display of more than 8 bits per pixel shows every colour directly; some
    // drivers still report a palette size for it, so the depth decides.
    const int bitsPerPixel = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES);
    if (!(::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) || bitsPerPixel > 8)
        return 0;
    return std::max(::GetDeviceCaps(dc, SIZEPALETTE), 0);
}

bool AppendRamp(CLogPalette& palette, int size, COLORREF fromColor, COLORREF toColor)
{
    const int used = palette.GetCount();
    const int free = size - used;
    if (free <= 0)
        return false;
    palette.Resize(size);
    for (int i = 0; i < free; ++i) {
        const auto step = [&](int shift) {
            const int from = Channel(fromColor, shift);
            return static_cast<BYTE>(from + i * (Channel(toColor, shift) - from) / free);
        };
        palette.SetEntry(used + i, step(0), step(8), step(16), 0);
    }
    return true;
}

BOOL CreateRampPalette(HDC dc, CPalette& palette, COLORREF fromColor, COLORREF toColor)
{
    const int size = RampPaletteSize(dc);
    CLogPalette entries;
    entries.ReadFromDC(dc);
    if (!AppendRamp(entries, size, fromColor, toColor))
        return FALSE;
    palette.Reset(::CreatePalette(entries.Get()));
    return palette.Get() != nullptr;
}

COLORREF GradientColor(COLORREF fromColor, COLORREF toColor, int row, int height) noexcept
{
    if (height <= 0)
        return fromColor & 0xFFFFFF;
    const auto channel = [&](int shift) {
        const int from = Channel(fromColor, shift);
        return static_cast<COLORREF>((from + (Channel(toColor, shift) - from) * row / height) & 0xFF);
    };
    return channel(0) | channel(8) << 8 | channel(16) << 16;
}

void FillGradient(HDC dc, const RECT& paintRect, const RECT& clientRect, BOOL usePaletteColors, COLORREF fromColor,
                  COLORREF toColor)
{
    const int height = clientRect.bottom - clientRect.top;
    for (int row = 0; row < height; ++row) {
        COLORREF color = GradientColor(fromColor, toColor, row, height);
        if (usePaletteColors)
            color |= kPaletteRelative;
        CBrush brush(::CreateSolidBrush(color));
        const RECT line{paintRect.left, row, paintRect.right, row + 1};
        ::FillRect(dc, &line, brush.Get());
    }
}
