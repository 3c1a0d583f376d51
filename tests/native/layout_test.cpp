#include <gtest/gtest.h>

#include <vector>

#include "render/layout.h"

namespace {

TEST(LayoutGradient, BandsRunFromPureBlueToBlueTwo) {
    struct Case {
        int index;
        int top, bottom;
        uint32_t colour;
    } cases[] = {
        {0, 0, 7, 0x00FF0000},      {1, 7, 15, 0x00FC0000},     {2, 15, 23, 0x00F90000},
        {3, 23, 30, 0x00F70000},    {97, 744, 752, 0x00070000}, {98, 752, 760, 0x00050000},
        {99, 760, 768, 0x00020000},
    };
    for (const auto& c : cases) {
        GradientBand band = GetGradientBand(c.index, 768);
        EXPECT_EQ(c.top, band.top) << c.index;
        EXPECT_EQ(c.bottom, band.bottom) << c.index;
        EXPECT_EQ(c.colour, band.colour) << c.index;
    }
}

TEST(LayoutGradient, BandsCoverEveryRowExactlyOnceWhateverTheHeight) {
    for (int height : {0, 1, 37, 99, 100, 101, 768, 1080, 1200}) {
        std::vector<int> covered(height, 0);
        int empty = 0;
        for (int k = 0; k < kBandCount; ++k) {
            GradientBand band = GetGradientBand(k, height);
            ASSERT_LE(band.top, band.bottom) << height << " band " << k;
            empty += band.top == band.bottom;
            for (int row = band.top; row < band.bottom; ++row)
                ++covered[row];
        }
        for (int row = 0; row < height; ++row)
            EXPECT_EQ(1, covered[row]) << height << " row " << row;
        EXPECT_EQ(height < 100 ? 100 - height : 0, empty) << height;
    }
}

TEST(LayoutBar, SitsAtTheBottomRightFromTwoThirdsOfTheWidth) {
    struct Case {
        int width, height, percent;
        int left, top, barWidth, filled;
    } cases[] = {
        {1024, 768, 50, 682, 708, 322, 161},    {1024, 768, 0, 682, 708, 322, 0},
        {1024, 768, 100, 682, 708, 322, 322},   {1280, 1024, 37, 852, 964, 408, 150},
        {1920, 1080, 99, 1280, 1020, 620, 613},
    };
    for (const auto& c : cases) {
        ProgressBarLayout bar = GetProgressBarLayout(c.width, c.height, c.percent);
        EXPECT_EQ(c.left, bar.left) << c.width << " " << c.percent;
        EXPECT_EQ(c.top, bar.top) << c.width << " " << c.percent;
        EXPECT_EQ(c.barWidth, bar.width) << c.width << " " << c.percent;
        EXPECT_EQ(c.filled, bar.filled) << c.width << " " << c.percent;
    }
    // The bar's last column and row: 1003 and 747 on a 1024 x 768 screen.
    ProgressBarLayout bar = GetProgressBarLayout(1024, 768, 50);
    EXPECT_EQ(1003, bar.left + bar.width - 1);
    EXPECT_EQ(747, bar.top + kBarHeight - 1);
}

TEST(LayoutBar, LabelIsCentredWithTruncatingHalves) {
    EXPECT_EQ(140, GetLabelOrigin(322, 41, 16).x);
    EXPECT_EQ(12, GetLabelOrigin(322, 41, 16).y);
    EXPECT_EQ(140, GetLabelOrigin(322, 42, 17).x);
    EXPECT_EQ(11, GetLabelOrigin(322, 42, 17).y);
    // Wider than the bar: the quotient truncates toward zero, not down.
    EXPECT_EQ(-1, GetLabelOrigin(10, 13, 43).x);
    EXPECT_EQ(-1, GetLabelOrigin(10, 13, 43).y);
}

TEST(LayoutOrigins, TitlesAtTheTopLeftAndSplashOnTheBottomEdge) {
    EXPECT_EQ(32, GetTitleOrigin(1, 42).x);
    EXPECT_EQ(32, GetTitleOrigin(1, 42).y);
    EXPECT_EQ(32, GetTitleOrigin(2, 42).x);
    EXPECT_EQ(74, GetTitleOrigin(2, 42).y);
    EXPECT_EQ(16, GetSplashOrigin(768, 100).x);
    EXPECT_EQ(668, GetSplashOrigin(768, 100).y);
    EXPECT_EQ(-32, GetSplashOrigin(768, 800).y);  // taller than the screen: top cut off
}

TEST(LayoutColours, AreTheColorrefValuesOfTheScreen) {
    EXPECT_EQ(0x00FFFFFFu, kTitleColour);
    EXPECT_EQ(0x00000000u, kUnfilledLabelColour);
    EXPECT_EQ(0x00FF00FFu, kFilledColour);
    EXPECT_EQ(0x00800000u, kFilledLabelColour);
    EXPECT_EQ(0x00000000u, kSplashTransparentColour);
}

}  // namespace
