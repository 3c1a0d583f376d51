#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "render/bitmap.h"
#include "tests/fixtures/bmp_file.h"
#include "tools/core/dib_pixels.h"

namespace {

using fixtures::Bytes;
using fixtures::Put32;
using Pixels = std::vector<DWORD>;  // top row first; 0x00RRGGBB, or as stored in a DIB

// A bottom-up packed DIB of `pixels` as stored, under an info header of `headerSize` bytes.
// Palette entry 0 is cyan, 1 red; `fields` adds the masks of 5-6-5 or 8-8-8.
Bytes PackedDib(int headerSize, int bits, bool fields, int width, const Pixels& pixels) {
    const int height = static_cast<int>(pixels.size()) / width,
              stride = (width * bits + 31) / 32 * 4;
    const int rows = headerSize + (bits <= 8 ? 4 << bits : 0) + (fields ? 12 : 0);
    Bytes dib(rows + stride * height);
    const DWORD table[] = {0x00FFFF, 0xFF0000, 0},
                masks[][3] = {{0xF800, 0x07E0, 0x1F}, {0xFF0000, 0xFF00, 0xFF}};
    Put32(dib, 0, headerSize);
    Put32(dib, 4, width);
    Put32(dib, 8, height);
    Put32(dib, 12, 1 | bits << 16);
    Put32(dib, 16, fields ? BI_BITFIELDS : BI_RGB);
    for (int i = 0; i < 3 && rows > headerSize; ++i)
        Put32(dib, headerSize + 4 * i, fields ? masks[bits / 32][i] : table[i]);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const int x = static_cast<int>(i) % width, y = static_cast<int>(i) / width;
        uint8_t* at = &dib[rows + (height - 1 - y) * stride + x * bits / 8];
        if (bits < 8)
            *at |= pixels[i] << (8 - bits - x * bits % 8);
        for (int k = 0; k < bits / 8; ++k)
            at[k] = static_cast<uint8_t>(pixels[i] >> 8 * k);
    }
    return dib;
}

Pixels Read(HBITMAP bitmap, int width, int height) {
    static HDC screen = GetDC(nullptr);
    BITMAPINFOHEADER header = {sizeof header, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    Pixels pixels(width * height);
    GetDIBits(screen, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    return pixels;
}

}  // namespace

// A 5 x 3 picture, red on the diagonal and cyan elsewhere, in every depth under an info or a V5
// header; then drawn with cyan transparent, from (1, 0) and partly off a 7 x 5 target: only its
// red shows, and the bitmap, lent for the drawing, comes back unchanged.
TEST(BitmapFromDib, EveryKindGivesTheSizeAndPixelsAndDrawsWithATransparentColour) {
    struct Case {
        int headerSize, bits, fields;  // fields: with bit masks
        DWORD cyan, red;
    } cases[] = {{40, 1, 0, 0, 1},
                 {40, 4, 0, 0, 1},
                 {40, 8, 0, 0, 1},
                 {40, 16, 0, 0x03FF, 0x7C00},
                 {40, 24, 0, 0x00FFFF, 0xFF0000},
                 {40, 32, 0, 0x00FFFF, 0xFF0000},
                 {40, 16, 1, 0x07FF, 0xF800},
                 {40, 32, 1, 0x00FFFF, 0xFF0000},
                 {124, 8, 0, 0, 1}};
    Pixels background(7 * 5);
    std::iota(background.begin(), background.end(), 0x102030);
    Pixels drawn = background;
    drawn[0 * 7 + 4] = drawn[1 * 7 + 5] = 0xFF0000;  // the picture's (1, 1) and (2, 2)
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.headerSize << " " << c.bits << " " << c.fields);
        Pixels stored(15, c.cyan), expected(15, 0x00FFFF);
        for (int i : {0, 6, 12})
            stored[i] = c.red, expected[i] = 0xFF0000;
        HBITMAP bitmap = CreateBitmapFromDib(
            PackedDib(c.headerSize, c.bits, c.fields, 5, stored).data(), nullptr);
        SIZE size = {};
        EXPECT_EQ(0, GetBitmapSize(bitmap, nullptr));
        EXPECT_TRUE(GetBitmapSize(bitmap, &size) == 1 && size.cx == 5 && size.cy == 3);
        EXPECT_EQ(expected, Read(bitmap, 5, 3));
        HBITMAP target = CreateBitmapFromDib(PackedDib(40, 32, 0, 7, background).data(), nullptr);
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, target);
        // Without a bitmap, or with masks too big to make, nothing at all is drawn.
        DrawTransparentBitmap(dc, 0, 0, 4, 4, nullptr, 0, 0, 0);
        DrawTransparentBitmap(dc, 0, 0, 200000, 200000, bitmap, 0, 0, 0);
        DrawTransparentBitmap(dc, 4, -1, 4, 3, bitmap, 1, 0, RGB(0, 255, 255));
        EXPECT_EQ(drawn, Read(target, 7, 5));
        EXPECT_EQ(expected, Read(bitmap, 5, 3));
        DeleteDC(dc);
        DeleteObject(target);
        DeleteObject(bitmap);
    }
    SIZE size = {-5, -6};
    EXPECT_TRUE(GetBitmapSize(nullptr, &size) == 0 && size.cx == -5 && size.cy == -6);
    EXPECT_EQ(nullptr, CreateBitmapFromDib(nullptr, nullptr));
    EXPECT_EQ(nullptr, CreateBitmapFromDib(Bytes(256).data(), nullptr));  // header size 0
}

// The page's preview (DibToRgba) sees each kind of splash picture as the system draws it:
// palette entries, 16-bit pixels without masks as 5-5-5, fields of 4, 5, 6 and 8 bits widened
// and masks in any order.
TEST(BitmapFromDib, ThePagesPreviewSeesEveryKindAsTheSystemDraws) {
    const struct Case {
        uint32_t bits;
        std::array<uint32_t, 3> masks;
    } cases[] = {{1, {}},
                 {4, {}},
                 {8, {}},
                 {16, {}},
                 {24, {}},
                 {32, {}},
                 {16, {0xF800, 0x07E0, 0x001F}},
                 {16, {0x7C00, 0x03E0, 0x001F}},
                 {16, {0x0F00, 0x00F0, 0x000F}},
                 {32, {0xFF0000, 0xFF00, 0xFF}},
                 {32, {0xFF, 0xFF00, 0xFF0000}},
                 {32, {0xFF000000, 0xFF0000, 0xFF00}}};
    const uint32_t width = 13, height = 4;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, red mask " << c.masks[0]);
        const Bytes file = fixtures::BmpFile(40, c.bits, height, c.masks[0] ? BI_BITFIELDS : 0,
                                             c.masks),
                    dib(file.begin() + 14, file.end());
        std::vector<uint8_t> rgba;
        uint32_t w = 0, h = 0;
        // As for a picture larger than the screen: its left columns, its bottom rows.
        ASSERT_TRUE(DibToRgba(dib.data(), dib.size(), &rgba, &w, &h, width - 5, height - 1));
        ASSERT_EQ(w * h * 4, rgba.size());
        ASSERT_TRUE(w == width - 5 && h == height - 1);
        HBITMAP bitmap = CreateBitmapFromDib(dib.data(), nullptr);
        Pixels drawn = Read(bitmap, width, height);
        DeleteObject(bitmap);
        int differ = 0;
        for (size_t i = 0; i < rgba.size() / 4; ++i) {
            const uint8_t* p = &rgba[i * 4];
            // The bitmap keeps a 32-bit picture's unused byte; no screen shows it.
            differ += (drawn[(i / w + 1) * width + i % w] & 0xFFFFFF) !=
                      static_cast<DWORD>(p[0] << 16 | p[1] << 8 | p[2]);
        }
        EXPECT_EQ(0, differ) << "first pixel: system " << std::hex << (drawn[0] & 0xFFFFFF)
                             << ", preview " << (rgba[0] << 16 | rgba[1] << 8 | rgba[2]);
    }
}
