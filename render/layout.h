#pragma once
// The progress screen's geometry and colours as plain numbers, so the painting code only draws
// what these functions give. All arithmetic is signed 32-bit; divisions truncate toward zero.
// Colours are COLORREF values (0x00BBGGRR), written out here so this builds without windows.h.

#include <stdint.h>

enum : int {
    kBandCount = 100,
    kBarHeight = 40,
    kTitleX = 32,
    kTitleY = 32,
    kSplashX = 16,
    kLabelFontHeight = 16,
};

enum : uint32_t {
    kTitleColour = 0x00FFFFFF,          // white
    kUnfilledLabelColour = 0x00000000,  // black on the white strip
    kFilledColour = 0x00FF00FF,         // magenta
    kFilledLabelColour = 0x00800000,    // navy
    kSplashTransparentColour = 0x00000000,
};

struct LayoutPoint {
    int x;
    int y;
};

// One horizontal band of the gradient: rows top to bottom - 1 (bottom excluded).
struct GradientBand {
    int top;
    int bottom;
    uint32_t colour;
};

// The bar's rectangle is left to left + width - 1, rows top to top + kBarHeight - 1; its
// first `filled` columns are the filled strip's.
struct ProgressBarLayout {
    int left;
    int top;
    int width;
    int filled;
};

// Band `index` (0 to 99) of a client area `height` rows high.
GradientBand GetGradientBand(int index, int height);

ProgressBarLayout GetProgressBarLayout(int width, int height, int percent);

// Where the label of a measured size starts inside a strip of the bar's width.
LayoutPoint GetLabelOrigin(int barWidth, int textWidth, int textHeight);

// The titles' font: smaller on screens up to 1024 pixels wide, where 72 would not fit.
int GetTitleFontHeight(int screenWidth);

// Title line 1 at (32, 32), line 2 under it by line 1's measured height.
LayoutPoint GetTitleOrigin(int line, int firstLineHeight);

// The splash's lower edge on the screen's lower edge, 16 pixels from the left.
LayoutPoint GetSplashOrigin(int screenHeight, int splashHeight);
