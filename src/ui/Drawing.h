#pragma once
// Drawing helpers of the setup screens: the progress gauge's bar, the colour
// ramp palette for displays with a system palette, and the row-by-row gradient
// of the background window.
#include "fw/Gdi.h"
#include "ui/LogPalette.h"

#include <cstdint>

#include <windows.h>

// The percentage a gauge shows for `pos` in `min` .. `max`, or -1 for an empty
// range (min equal to max: nothing is drawn). Values above 1,000,000 are first
// divided by 1000 so that the products stay within 32 bits. A position at or
// below the lower end shows 0, one at or above the upper end 100.
int GaugePercent(std::uint32_t min, std::uint32_t max, std::uint32_t pos) noexcept;

// Draws a gauge bar over `rect`: the filled part (from the left, or from the top
// when `vertical`) in colorB with the percentage written in colorA, the rest in
// colorA with the text in colorB, the text centred. Nothing for an empty range.
void DrawGauge(HDC dc, const RECT& rect, COLORREF colorA, COLORREF colorB, BOOL vertical, std::uint32_t min,
               std::uint32_t max, std::uint32_t pos);

// Number of palette entries the device offers for a ramp: its system palette
// size on a palette device of at most 8 bits per pixel, otherwise 0 (the
// device shows every colour directly and needs no palette).
int RampPaletteSize(HDC dc) noexcept;

// Appends to `palette` (the `n` entries in use) a run of colours from
// `fromColor` towards `toColor` filling it up to `size` entries. FALSE, and the
// palette unchanged, when no entry is free.
bool AppendRamp(CLogPalette& palette, int size, COLORREF fromColor, COLORREF toColor);

// Builds the ramp palette for `dc` into `palette`: the entries in use followed
// by the ramp. TRUE when a palette was created; FALSE leaves `palette` without
// a handle (displays without a palette, or no free entry).
BOOL CreateRampPalette(HDC dc, CPalette& palette, COLORREF fromColor, COLORREF toColor);

// Colour of row `row` of a gradient `height` rows high: per channel
// from + (to - from) * row / height, truncated toward zero.
COLORREF GradientColor(COLORREF fromColor, COLORREF toColor, int row, int height) noexcept;

// Fills every row of `clientRect`'s height, across the width of `paintRect`,
// with the gradient; palette-relative colours when `usePaletteColors`.
void FillGradient(HDC dc, const RECT& paintRect, const RECT& clientRect, BOOL usePaletteColors, COLORREF fromColor,
                  COLORREF toColor);
