#include <gtest/gtest.h>

#include "render/layout.h"
#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

using e2e::InstallerProcess;
using e2e::Screen;

namespace {

const uint32_t kWhite = 0xFFFFFF;
const uint32_t kBlack = 0x000000;

// Captures hold 0x00RRGGBB; the layout's colours are COLORREF, 0x00BBGGRR.
uint32_t Rgb(uint32_t colorref) {
    return (colorref & 0xFF) << 16 | (colorref & 0xFF00) | (colorref >> 16 & 0xFF);
}

uint32_t BandColourAt(int row, int height) {
    for (int k = 0; k < kBandCount; ++k) {
        GradientBand band = GetGradientBand(k, height);
        if (row >= band.top && row < band.bottom)
            return Rgb(band.colour);
    }
    return 0xDEADBEEF;
}

// How many bar pixels have each of the two colours that may fill it.
struct BarCount {
    int white = 0, magenta = 0, other = 0;
};

BarCount CountBar(const Screen& screen, const ProgressBarLayout& bar) {
    BarCount count;
    for (int y = bar.top; y < bar.top + kBarHeight; ++y) {
        for (int x = bar.left; x < bar.left + bar.width; ++x) {
            uint32_t pixel = screen.At(x, y);
            if (pixel == kWhite) {
                ++count.white;
            } else if (pixel == Rgb(kFilledColour)) {
                ++count.magenta;
            } else {
                ++count.other;
            }
        }
    }
    return count;
}

// The lowest row with title white in the title area: two lines of the title font below row 32.
int LowestTitleRow(const Screen& screen) {
    int lowest = -1;
    for (int y = kTitleY; y < 300; ++y)
        for (int x = kTitleX; x < screen.width / 2; ++x)
            if (screen.At(x, y) == kWhite)
                lowest = y;
    return lowest;
}

// Looked at while the question (0 %) and the report (100 %) are up. Runs at a width of 1024 and
// of 1025, where the title font changes from 42 to 72 pixels.
TEST(Screen, ShowsGradientTitlesSplashAndTheBarAtBothEnds) {
    scratch::Folder folder("screen");
    std::string name = "e2e_screen";
    const int splashWidth = 64, splashHeight = 48;
    scratch::Bytes splash = fixtures::SplashDib(splashWidth, splashHeight);
    InstallerProcess installer(
        e2e::WriteInstaller(folder, name + ".scr", fixtures::SaverImage(3000, splash)));
    e2e::BoxSeen confirm = installer.WaitForBox();
    ASSERT_NE(nullptr, confirm.box);
    Screen first = e2e::CaptureSettledScreen();
    const int width = first.width, height = first.height;

    // The gradient down the right edge, clear of the bar and the box.
    for (int row : {0, 6, 7, height / 3, height / 2, height - 61, height - 1})
        EXPECT_EQ(BandColourAt(row, height), first.At(width - 1, row)) << "row " << row;

    // Two title lines in white; their depth follows the font chosen by the screen width.
    int fontHeight = width <= 1024 ? 42 : 72;
    int lowest = LowestTitleRow(first);
    EXPECT_GT(lowest, kTitleY + fontHeight * 3 / 2) << "width " << width;
    EXPECT_LT(lowest, kTitleY + fontHeight * 2 + 4) << "width " << width;

    // The splash on the bottom edge: its frame as drawn, its black middle showing the gradient.
    int top = height - splashHeight;
    EXPECT_EQ(0xFF8140u, first.At(kSplashX + 1, top + 1));
    EXPECT_EQ(0xFF8540u, first.At(kSplashX + 5, top + 2));
    EXPECT_EQ(BandColourAt(top + splashHeight / 2, height),
              first.At(kSplashX + splashWidth / 2, top + splashHeight / 2));
    EXPECT_NE(kBlack, first.At(kSplashX + splashWidth / 2, top + splashHeight / 2));

    ProgressBarLayout empty = GetProgressBarLayout(width, height, 0);
    BarCount atZero = CountBar(first, empty);
    EXPECT_EQ(0, atZero.magenta);
    EXPECT_GT(atZero.other, 10);  // the label "0 %"
    EXPECT_GT(atZero.white, empty.width * kBarHeight * 3 / 4);

    InstallerProcess::Press(confirm, IDYES);
    e2e::BoxSeen report = installer.WaitForBox();
    ASSERT_NE(nullptr, report.box);
    Screen last = e2e::CaptureSettledScreen();
    BarCount atHundred = CountBar(last, GetProgressBarLayout(width, height, 100));
    EXPECT_EQ(0, atHundred.white);
    EXPECT_GT(atHundred.other, 10);  // the label "100 %"
    EXPECT_GT(atHundred.magenta, empty.width * kBarHeight * 3 / 4);
    // Only the bar changed: the gradient beside it is as before.
    EXPECT_EQ(first.At(width - 1, height - 40), last.At(width - 1, height - 40));

    InstallerProcess::Press(report, IDOK);
    DWORD exitCode = 1;
    ASSERT_TRUE(installer.WaitForExit(10000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    e2e::RemoveFromSystemFolder(name + ".scr");
}

}  // namespace
