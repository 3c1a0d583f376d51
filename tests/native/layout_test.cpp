#include <gtest/gtest.h>

#include <tuple>

#include "render/layout.h"

static auto Tie(const GradientBand& b) {
    return std::make_tuple(b.top, b.bottom, b.colour);
}
static auto Tie(const ProgressBarLayout& b) {
    return std::make_tuple(b.left, b.top, b.width, b.filled);
}
static auto Tie(const LayoutPoint& p) {
    return std::make_pair(p.x, p.y);
}

TEST(Layout, GradientBandsStepDownFromPureBlueAndCoverEveryRowOnce) {
    EXPECT_EQ(std::make_tuple(0, 7, 0x00FF0000u), Tie(GetGradientBand(0, 768)));
    EXPECT_EQ(std::make_tuple(7, 15, 0x00FC0000u), Tie(GetGradientBand(1, 768)));
    EXPECT_EQ(std::make_tuple(760, 768, 0x00020000u), Tie(GetGradientBand(99, 768)));
    for (int height : {0, 1, 37, 99, 100, 101, 1080}) {
        int next = 0;  // the first row no band has covered yet
        for (int k = 0; k < kBandCount; ++k) {
            EXPECT_EQ(next, GetGradientBand(k, height).top) << height << " band " << k;
            next = std::max(next, GetGradientBand(k, height).bottom);
        }
        EXPECT_EQ(height, next);
    }
}

TEST(Layout, BarSitsAtTheBottomRightFromTwoThirdsOfTheWidth) {
    EXPECT_EQ(std::make_tuple(682, 708, 322, 161), Tie(GetProgressBarLayout(1024, 768, 50)));
    EXPECT_EQ(std::make_tuple(852, 964, 408, 150), Tie(GetProgressBarLayout(1280, 1024, 37)));
    EXPECT_EQ(std::make_tuple(1280, 1020, 620, 613), Tie(GetProgressBarLayout(1920, 1080, 99)));
}

TEST(Layout, LabelTitleAndSplashOrigins) {
    EXPECT_EQ(std::make_pair(140, 11), Tie(GetLabelOrigin(322, 42, 17)));
    EXPECT_EQ(std::make_pair(-1, -1), Tie(GetLabelOrigin(10, 13, 43)));  // halves truncate to 0
    EXPECT_EQ(std::make_pair(32, 32), Tie(GetTitleOrigin(1, 42)));
    EXPECT_EQ(std::make_pair(32, 74), Tie(GetTitleOrigin(2, 42)));
    EXPECT_EQ(std::make_pair(16, 668), Tie(GetSplashOrigin(768, 100)));
    EXPECT_EQ(std::make_pair(16, -32), Tie(GetSplashOrigin(768, 800)));  // top cut off
}
