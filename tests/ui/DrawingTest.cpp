// The background's gradient rows and the ramp palette.
#include "Canvas.h"
#include "ui/Drawing.h"
#include "fw/Exception.h"
#include "ui/LogPalette.h"

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kBlue = 0x00FF0000;
constexpr COLORREF kBlack = 0x00000000;

TEST(GradientTest, RowsRunFromBlueTowardsBlackTruncatingTowardZero)
{
    EXPECT_EQ(RGB(0, 0, 255), GradientColor(kBlue, kBlack, 0, 300));
    EXPECT_EQ(RGB(0, 0, 128), GradientColor(kBlue, kBlack, 150, 300));  // 255 - 127.5 -> 255 - 127
    EXPECT_EQ(RGB(0, 0, 1), GradientColor(kBlue, kBlack, 299, 300));    // never quite black
    EXPECT_EQ(RGB(100, 125, 125), GradientColor(RGB(0, 0, 0), RGB(200, 250, 250), 1, 2));
}

TEST(GradientTest, EveryRowIsFilledAcrossThePaintRectangleOnly)
{
    Canvas canvas(20, 300, RGB(7, 7, 7));
    const RECT client{0, 0, 20, 300};
    const RECT paint{5, 100, 15, 120};  // the rows outside it are filled all the same
    FillGradient(canvas.Dc(), paint, client, FALSE, kBlue, kBlack);
    for (int y : {0, 1, 150, 299}) {
        EXPECT_EQ(GradientColor(kBlue, kBlack, y, 300), canvas.Pixel(5, y)) << y;
        EXPECT_EQ(GradientColor(kBlue, kBlack, y, 300), canvas.Pixel(14, y)) << y;
        EXPECT_EQ(RGB(7, 7, 7), canvas.Pixel(4, y)) << y;
        EXPECT_EQ(RGB(7, 7, 7), canvas.Pixel(15, y)) << y;
    }
}

TEST(RampPaletteTest, FreeEntriesFollowTheEntriesInUse)
{
    CLogPalette palette;
    palette.Resize(20);
    for (int i = 0; i < 20; ++i)
        palette.SetEntry(i, static_cast<BYTE>(i), 1, 2, 0);
    ASSERT_TRUE(AppendRamp(palette, 256, kBlue, kBlack));
    ASSERT_EQ(256, palette.GetCount());
    EXPECT_EQ(19, palette.GetEntry(19).peRed);
    const PALETTEENTRY& first = palette.GetEntry(20);
    EXPECT_EQ(0, first.peRed);
    EXPECT_EQ(0, first.peGreen);
    EXPECT_EQ(255, first.peBlue);
    // Entry 20 + 235: 255 + 235 * (0 - 255) / 236, truncated toward zero.
    const PALETTEENTRY& last = palette.GetEntry(255);
    EXPECT_EQ(2, last.peBlue);
    EXPECT_EQ(0, last.peFlags);
}

TEST(RampPaletteTest, NoFreeEntryMeansNoPalette)
{
    CLogPalette palette;
    palette.Resize(20);
    EXPECT_FALSE(AppendRamp(palette, 20, kBlue, kBlack));
    EXPECT_FALSE(AppendRamp(palette, 0, kBlue, kBlack));
    EXPECT_EQ(20, palette.GetCount());
}

TEST(RampPaletteTest, TrueColourDisplayGetsNoPalette)
{
    HDC screen = ::GetDC(nullptr);
    ASSERT_GT(::GetDeviceCaps(screen, BITSPIXEL), 8) << "the tests expect a true-colour display";
    EXPECT_EQ(0, RampPaletteSize(screen));
    CPalette palette;
    EXPECT_FALSE(CreateRampPalette(screen, palette, kBlue, kBlack));
    EXPECT_EQ(nullptr, palette.Get());
    ::ReleaseDC(nullptr, screen);
}

TEST(LogPaletteTest, ResizeKeepsTheEntriesAndIgnoresWritesOutside)
{
    CLogPalette palette;
    palette.SetEntry(0, 10, 20, 30, 0);
    palette.Resize(3);
    palette.SetEntry(3, 99, 99, 99, 0);
    palette.SetEntry(-1, 99, 99, 99, 0);
    EXPECT_EQ(3, palette.GetCount());
    EXPECT_EQ(0x300, palette.Get()->palVersion);
    EXPECT_EQ(30, palette.GetEntry(0).peBlue);
    EXPECT_EQ(0, palette.GetEntry(2).peRed);
    EXPECT_THROW(palette.Resize(70000), CNotSupportedException);
}

TEST(LogPaletteTest, ReadsThePaletteSelectedIntoAContext)
{
    CLogPalette source;
    source.Resize(5);
    for (int i = 0; i < 5; ++i)
        source.SetEntry(i, static_cast<BYTE>(10 * i), 7, 3, 0);
    CPalette selected(::CreatePalette(source.Get()));
    HDC dc = ::CreateCompatibleDC(nullptr);
    HPALETTE old = ::SelectPalette(dc, selected.Get(), FALSE);

    CLogPalette read;
    read.ReadFromDC(dc);
    ASSERT_EQ(5, read.GetCount());
    EXPECT_EQ(40, read.GetEntry(4).peRed);
    EXPECT_EQ(7, read.GetEntry(4).peGreen);
    // The context keeps its palette.
    EXPECT_EQ(selected.Get(), ::GetCurrentObject(dc, OBJ_PAL));

    ::SelectPalette(dc, old, FALSE);
    ::DeleteDC(dc);
}

} // namespace
