#include "render/layout.h"

enum : int {
    kBarMargin = 20,
    kColourSteps = 25500,  // 100 x 255: the colour counter of band 0
};

GradientBand GetGradientBand(int index, int height) {
    // The running total of the drawing loop is index x height when band `index` starts.
    int total = index * height;
    int blue = ((kColourSteps - 255 * index) / 100) & 255;
    return {total / 100, (total + height) / 100, static_cast<uint32_t>(blue) << 16};
}

ProgressBarLayout GetProgressBarLayout(int width, int height, int percent) {
    int third = width / 3;
    int left = 2 * third;
    int barWidth = width - (2 * third + kBarMargin);
    return {left, height - (kBarHeight + kBarMargin), barWidth, barWidth * percent / 100};
}

LayoutPoint GetLabelOrigin(int barWidth, int textWidth, int textHeight) {
    return {(0 + barWidth - textWidth) / 2, (0 + kBarHeight - textHeight) / 2};
}

int GetTitleFontHeight(int screenWidth) {
    return screenWidth <= 1024 ? 42 : 72;
}

LayoutPoint GetTitleOrigin(int line, int firstLineHeight) {
    return {kTitleX, line == 1 ? kTitleY : kTitleY + firstLineHeight};
}

LayoutPoint GetSplashOrigin(int screenHeight, int splashHeight) {
    return {kSplashX, screenHeight - splashHeight};
}
