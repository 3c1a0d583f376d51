#include <gtest/gtest.h>

#include "render/layout.h"
#include "tests/e2e/driver.h"
#include "tests/fixtures/bmp_file.h"
#include "tools/core/bmp.h"
#include "tools/core/saver_header.h"

namespace {

// A picture given to the authors' tool shows on the installer's screen as the platform draws
// the original file's bytes (its own header, no conversion of ours), 16 pixels in on the
// screen's lower edge, its black showing the background. Pictures: core 4 bits, info 8 bits
// top-down, V4 16 bits 5-6-5, V5 32 bits top-down with the channels in an unusual order.
// (Wine's LoadImage is no reference: it gives some palette pixels a near colour, drops the
// lowest green bit of 5-6-5 and loads top-down files black.)
TEST(Splash, ShowsThePixelsOfTheOriginalBmpFile) {
    const int width = 13, height = 40;
    const e2e::Bytes cases[] = {fixtures::BmpFile(12, 4, height), fixtures::BmpFile(40, 8, -height),
                                fixtures::BmpFile(108, 16, height, 3, {0xF800, 0x07E0, 0x001F}),
                                fixtures::BmpFile(124, 32, -height, 3, {0xFF00, 0xFF0000, 0xFF})};
    scratch::Folder folder("splash");
    for (const e2e::Bytes& file : cases) {
        SCOPED_TRACE(testing::Message() << file[14] + 0 << "-byte header");
        e2e::Bytes dib, saver;
        std::string reason;
        ASSERT_TRUE(BmpToPackedDib(file.data(), file.size(), &dib, &reason) &&
                    AppendSaverDataHeader(e2e::Bytes(3000, 0x90), dib, &saver, &reason))
            << reason;
        // The reference: the original bytes as the platform reads them, in 32 bits, top row first.
        HDC screenDc = GetDC(nullptr);
        const BITMAPINFO* header = reinterpret_cast<const BITMAPINFO*>(&file[14]);
        HBITMAP original = CreateDIBitmap(screenDc, &header->bmiHeader, CBM_INIT,
                                          &file[file[10] | file[11] << 8], header, DIB_RGB_COLORS);
        BITMAPINFOHEADER topDown = {sizeof topDown, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<uint32_t> want(width * height);
        GetDIBits(screenDc, original, 0, height, want.data(),
                  reinterpret_cast<BITMAPINFO*>(&topDown), DIB_RGB_COLORS);
        ReleaseDC(nullptr, screenDc);
        DeleteObject(original);

        e2e::InstallerProcess installer(e2e::WriteInstaller(folder, "e2e_splash.scr", saver));
        e2e::BoxSeen confirm = installer.WaitForBox();
        e2e::Screen screen = e2e::CaptureSettledScreen();
        LayoutPoint at = GetSplashOrigin(screen.height, height);
        int wrong = 0, black = 0;
        for (int i = 0; i < width * height; ++i) {
            const int x = i % width, y = i / width;
            const uint32_t pixel = want[i] & 0xFFFFFF;
            black += !pixel;  // shows the gradient, as the screen's right edge does
            wrong += screen.At(at.x + x, at.y + y) !=
                     (pixel ? pixel : screen.At(screen.width - 1, at.y + y));
        }
        EXPECT_EQ(0, wrong);
        EXPECT_TRUE(black >= width && black < width * height / 2) << black;
        e2e::InstallerProcess::Press(confirm, IDNO);
        EXPECT_EQ(0u, e2e::ExitCode(installer));
    }
}

// The first data header counts, wherever later ones lie: a picture whose rows are cut short is
// left out, not drawn from whatever lies past its end, though a whole one follows; a whole one
// is drawn though a header without a picture follows.
TEST(Splash, TheFirstHeaderCountsAndAPictureCutShortIsLeftOut) {
    e2e::Bytes whole = fixtures::SplashDib(48, 32),
               cut(whole.begin(), whole.end() - whole.size() / 2);
    auto then = [](e2e::Bytes first, const e2e::Bytes& second) {
        first.insert(first.end(), second.begin(), second.end());
        return first;
    };
    const struct {
        const char* what;
        e2e::Bytes saver;
        bool drawn;
    } cases[] = {
        {"cut", fixtures::SaverImage(1000, cut), false},
        {"cut, then a whole one",
         then(fixtures::SaverImage(1000, cut), fixtures::SaverImage(9, whole)), false},
        {"whole, then none", then(fixtures::SaverImage(1000, whole), fixtures::SaverImage(9, {})),
         true},
    };
    scratch::Folder folder("splash-first");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        e2e::InstallerProcess installer(e2e::WriteInstaller(folder, "e2e_splash.scr", c.saver));
        e2e::BoxSeen confirm = installer.WaitForBox();
        e2e::Screen screen = e2e::CaptureSettledScreen();
        LayoutPoint at = GetSplashOrigin(screen.height, 32);
        int drawn = 0;
        for (int y = at.y; y < at.y + 32; ++y)
            for (int x = at.x; x < at.x + 48; ++x)
                drawn += screen.At(x, y) != screen.At(screen.width - 1, y);
        EXPECT_EQ(c.drawn, drawn > 100) << drawn;  // the frame is 576 pixels
        e2e::InstallerProcess::Press(confirm, IDNO);
        EXPECT_EQ(0u, e2e::ExitCode(installer));
    }
}

}  // namespace
