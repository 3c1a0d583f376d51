#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "installer/installer_state.h"
#include "installer/window.h"
#include "render/bitmap.h"
#include "render/progress_screen.h"
#include "tests/fixtures/synthetic_saver.h"

namespace {

using Pixels = std::vector<DWORD>;  // 0x00RRGGBB, top row first

// The saver's name as the package holds it, in code page 932, and both title lines as they
// must read on any system.
const char kName[] = "\x90\xAF\x8B\xF3 Starlight";
const wchar_t kTitles[] = L"星空 Starlight\r\nスクリーンセーバー セットアップ";

// The installer's window fills the screen (the splash sits on SM_CYSCREEN), as does the desktop
// window's client area. It is painted into a 32-bit DIB section of its size, read in place.
class ProgressScreen : public testing::Test {
protected:
    void SetUp() override {
        BITMAPINFOHEADER header = {sizeof header, w_, -h_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        canvas_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                   reinterpret_cast<void**>(&bits_), nullptr, 0);
        SelectObject(dc_, canvas_);
        CreateProgressFonts(1024);  // the title 42 pixels high
        lstrcpyA(g_installer.SaverDisplayName, kName);
        g_installer.SplashBitmap = CreateBitmapFromDib(splash_.data(), nullptr);
    }
    void TearDown() override {
        DeleteDC(dc_);
        for (HGDIOBJ object : {HGDIOBJ(g_installer.TitleFont), HGDIOBJ(g_installer.PercentFont),
                               HGDIOBJ(g_installer.SplashBitmap), HGDIOBJ(canvas_)})
            DeleteObject(object);
        g_installer = {};
        for (HBRUSH brush : filler_)
            DeleteObject(brush);
    }
    const int w_ = GetSystemMetrics(SM_CXSCREEN), h_ = GetSystemMetrics(SM_CYSCREEN);
    const fixtures::Bytes splash_ = fixtures::SplashDib(40, 30);
    std::vector<HBRUSH> filler_;  // holds the handle table all but full
    HDC dc_ = CreateCompatibleDC(nullptr);
    HBITMAP canvas_ = nullptr;
    DWORD* bits_ = nullptr;
};

// Every pixel of a paint over noise: the gradient in shades of blue; the two title lines white
// at (32, 32) and under the first by its height; the splash 16 pixels in on the lower edge with
// its black transparent; the bar, 40 high, from two thirds of the width to 20 pixels off the
// right and bottom edges, its left `percent` magenta with a navy label, the rest white with a
// black one, the label centred. The red channel runs alike under the label on both, so the
// platform's own texts, drawn white on black and black on white, must match it. A bar-only
// paint leaves all else as it was. All this after a thousand paints with the handle table all
// but full: Wine's GetGuiResources counts nothing, but a paint leaking even one object would
// soon find none left to make.
TEST_F(ProgressScreen, PaintsEveryPixelAndLeaksNothing) {
    struct Case {
        int percent, barOnly;
    } cases[] = {{0, 0}, {50, 0}, {100, 0}, {37, 1}};
    while (HBRUSH brush = CreateSolidBrush(0))
        filler_.push_back(brush);
    for (int i = 0; i < 100; ++i, filler_.pop_back())
        DeleteObject(filler_.back());  // room for the objects of one paint
    for (int i = 0; i < 1000; ++i)
        DrawProgressScreen(GetDesktopWindow(), dc_, i % 2);
    const int left = 2 * (w_ / 3), top = h_ - 60, width = w_ - left - 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.percent << "%, bar only " << c.barOnly);
        memset(bits_, 0, w_ * h_ * 4);
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, 0xFFFFFF);
        SelectObject(dc_, g_installer.TitleFont);
        RECT titles = {32, 32, w_, h_}, bar = {left, top, left + width, top + 40};
        DrawTextW(dc_, kTitles, -1, &titles, DT_NOPREFIX);  // line 2 one line's height down
        FillRect(dc_, &bar, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetTextColor(dc_, 0);
        SelectObject(dc_, g_installer.PercentFont);
        char label[16];
        wsprintfA(label, "%d %%", c.percent);
        DrawTextA(dc_, label, -1, &bar, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        GdiFlush();
        const Pixels texts(bits_, bits_ + w_ * h_);
        for (int i = 0; i < w_ * h_; ++i)
            bits_[i] = 0x00123456 + i % 97;
        g_installer.ProgressPercent = c.percent;
        DrawProgressScreen(GetDesktopWindow(), dc_, c.barOnly);
        GdiFlush();
        const Pixels p(bits_, bits_ + w_ * h_);
        for (int y = 0, i = 0; y < h_; ++y) {
            for (int x = 0; x < w_; ++x, ++i) {
                const int red = p[i] >> 16 & 0xFF, green = p[i] >> 8 & 0xFF, blue = p[i] & 0xFF;
                const DWORD gradient = p[y * w_ + w_ - 1];
                const bool inBar = x >= left && x < left + width && y >= top && y < top + 40;
                const bool filled = inBar && x < left + width * c.percent / 100;
                if (!inBar && c.barOnly) {
                    ASSERT_EQ(0x00123456 + i % 97u, p[i]) << x << ", " << y;
                } else if (x >= 16 && x < 56 && y >= h_ - 30) {
                    const uint8_t* s = &splash_[40 + (h_ - 1 - y) * 120 + (x - 16) * 3];
                    const DWORD colour = s[2] << 16 | s[1] << 8 | s[0];
                    ASSERT_EQ(colour ? colour : gradient, p[i]) << x << ", " << y;
                } else {
                    ASSERT_EQ(texts[i] >> 16 & 0xFF, red) << x << ", " << y;
                    ASSERT_TRUE(filled ? green == 0 && blue >= 128
                                       : green == red &&
                                             (inBar ? blue == red : red || p[i] == gradient))
                        << x << ", " << y << ": " << std::hex << p[i];
                }
            }
        }
        EXPECT_TRUE(c.barOnly || (p[w_ - 1] == 0x0000FF && p[w_ * h_ - 1] == 0x000002));
    }
}

// What pixels cannot tell apart: the fonts' fields as the platform keeps them.
TEST_F(ProgressScreen, FontsAreMadeAsAsked) {
    struct Case {
        HFONT font;
        int height, italic;
        const wchar_t* face;
    } cases[] = {{g_installer.TitleFont, 42, 1, L"ＭＳ 明朝"},
                 {g_installer.PercentFont, 16, 0, L"ＭＳ ゴシック"}};
    for (const Case& c : cases) {
        LOGFONTW f = {};
        ASSERT_TRUE(GetObjectW(c.font, sizeof f, &f));
        EXPECT_EQ((std::vector<int>{c.height, c.italic, SHIFTJIS_CHARSET, PROOF_QUALITY, 400}),
                  (std::vector<int>{f.lfHeight, f.lfItalic, f.lfCharSet, f.lfQuality, f.lfWeight}));
        EXPECT_EQ(std::wstring(c.face), f.lfFaceName);
    }
}

}  // namespace
