// The progress gauge: its percentage rule, the bar it paints, its clamped
// position and the placeholder it replaces.
#include "Canvas.h"
#include "Showcase.h"
#include "fw/Dialog.h"
#include "ui/Drawing.h"
#include "ui/Gauge.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(GaugePercentTest, PercentOfTheRangeTruncated)
{
    EXPECT_EQ(49, GaugePercent(1, 200, 100));  // (100*100 - 100) / 199
    EXPECT_EQ(0, GaugePercent(0, 99, 0));
    EXPECT_EQ(100, GaugePercent(0, 99, 99));
}

TEST(GaugePercentTest, EmptyRangeShowsNothing)
{
    EXPECT_EQ(-1, GaugePercent(7, 7, 7));
}

TEST(GaugePercentTest, RangesAboveOneMillionAreScaledByAThousand)
{
    EXPECT_EQ(50, GaugePercent(1, 50000000, 25000000));
    // Scaled: (11 - 1) * 100 / (1001 - 1) = 1; unscaled it would be 0.
    EXPECT_EQ(1, GaugePercent(1999, 1001999, 11998));
    // pos * 100 would not fit in 32 bits unscaled.
    EXPECT_EQ(75, GaugePercent(0, 4000000000u, 3000000000u));
}

TEST(GaugePercentTest, NarrowRangeHighUpDoesNotDivideByZero)
{
    // Both ends scale to 1000.
    EXPECT_EQ(50, GaugePercent(1000001, 1000999, 1000500));
}

TEST(GaugePercentTest, PositionsOutsideTheRangeShowItsEnds)
{
    EXPECT_EQ(0, GaugePercent(100, 200, 50));
    EXPECT_EQ(100, GaugePercent(100, 200, 500));
}

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);

TEST(DrawGaugeTest, FilledPartEndsAtThePercentageOfTheWidth)
{
    Canvas canvas(200, 60, RGB(9, 9, 9));
    DrawGauge(canvas.Dc(), RECT{0, 0, 200, 60}, kWhite, kBlue, FALSE, 1, 200, 100);
    // 49% of 200 pixels; the top row holds no text.
    EXPECT_EQ(kBlue, canvas.Pixel(0, 0));
    EXPECT_EQ(kBlue, canvas.Pixel(97, 0));
    EXPECT_EQ(kWhite, canvas.Pixel(98, 0));
    EXPECT_EQ(kWhite, canvas.Pixel(199, 59));
}

TEST(DrawGaugeTest, VerticalGaugeFillsFromTheTop)
{
    Canvas canvas(60, 200, RGB(9, 9, 9));
    DrawGauge(canvas.Dc(), RECT{0, 0, 60, 200}, kWhite, kBlue, TRUE, 0, 99, 50);  // 50%
    EXPECT_EQ(kBlue, canvas.Pixel(0, 99));
    EXPECT_EQ(kWhite, canvas.Pixel(0, 100));
}

TEST(DrawGaugeTest, TextIsWrittenAcrossBothParts)
{
    Canvas canvas(200, 60, RGB(9, 9, 9));
    DrawGauge(canvas.Dc(), RECT{0, 0, 200, 60}, kWhite, kBlue, FALSE, 0, 99, 0);
    // 0%: nothing filled, the text in blue on white.
    bool blueText = false;
    for (int x = 60; x < 140 && !blueText; ++x)
        for (int y = 15; y < 45 && !blueText; ++y)
            blueText = canvas.Pixel(x, y) == kBlue;
    EXPECT_TRUE(blueText);
    EXPECT_EQ(kWhite, canvas.Pixel(0, 0));
}

class GaugeWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Create(IDD_SHOWCASE_GAUGE)); }

    CDialog host;
};

TEST_F(GaugeWindowTest, TakesThePlaceOfThePlaceholder)
{
    HWND placeholder = host.GetDlgItem(IDC_GAUGE);
    ASSERT_NE(nullptr, placeholder);
    RECT place{};
    ::GetClientRect(placeholder, &place);
    ::MapWindowPoints(placeholder, host.m_hWnd, reinterpret_cast<POINT*>(&place), 2);

    CGauge gauge(0, 99, 0);
    ASSERT_TRUE(gauge.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{1, 2, 3, 4}, &host, IDC_GAUGE));
    EXPECT_FALSE(::IsWindow(placeholder));
    EXPECT_EQ(gauge.m_hWnd, host.GetDlgItem(IDC_GAUGE));
    EXPECT_EQ("Gauge", gauge.GetWindowText());
    RECT actual = gauge.GetWindowRect();
    ::MapWindowPoints(nullptr, host.m_hWnd, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_TRUE(::EqualRect(&place, &actual));
}

TEST_F(GaugeWindowTest, WithoutPlaceholderTakesTheGivenRectangle)
{
    CGauge gauge(0, 99, 0);
    ASSERT_TRUE(gauge.Create(WS_CHILD | WS_VISIBLE, RECT{10, 20, 110, 40}, &host, 4321));
    RECT actual = gauge.GetWindowRect();
    ::MapWindowPoints(nullptr, host.m_hWnd, reinterpret_cast<POINT*>(&actual), 2);
    const RECT expected{10, 20, 110, 40};
    EXPECT_TRUE(::EqualRect(&expected, &actual));
    EXPECT_NE(nullptr, host.GetDlgItem(IDC_GAUGE));  // the placeholder of another id stays
}

TEST_F(GaugeWindowTest, SetPosClampsToTheRange)
{
    CGauge gauge(1, 200, 1);
    ASSERT_TRUE(gauge.Create(WS_CHILD | WS_VISIBLE, RECT{}, &host, IDC_GAUGE));
    gauge.SetPos(500, TRUE);
    EXPECT_EQ(200u, gauge.m_nPos);
    gauge.SetPos(0);
    EXPECT_EQ(1u, gauge.m_nPos);
    gauge.SetPos(100);
    EXPECT_EQ(100u, gauge.m_nPos);
}

} // namespace
