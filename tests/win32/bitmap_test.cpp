#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "render/bitmap.h"
#include "tests/fixtures/synthetic_saver.h"

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
    const DWORD header[] = {static_cast<DWORD>(headerSize), static_cast<DWORD>(width),
                            static_cast<DWORD>(height), 1u | bits << 16, fields ? 3u : 0u};
    const DWORD table[] = {0x00FFFF, 0xFF0000, 0},
                masks[][3] = {{0xF800, 0x07E0, 0x1F}, {0xFF0000, 0xFF00, 0xFF}};
    for (int i = 0; i < 5; ++i)
        Put32(dib, 4 * i, header[i]);
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

// A 5 x 3 picture, red on the diagonal and cyan elsewhere, in every header kind and depth.
TEST(BitmapFromDib, EveryHeaderKindAndBitCountGivesTheSizeAndPixels) {
    struct Case {
        int headerSize, bits;
        bool fields;
        DWORD cyan, red;
        HPALETTE palette = nullptr;
    } cases[] = {
        {40, 1, false, 0, 1},
        {40, 4, false, 0, 1},
        {40, 8, false, 0, 1},
        {40, 16, false, 0x03FF, 0x7C00},
        {40, 24, false, 0x00FFFF, 0xFF0000},
        {40, 32, false, 0x00FFFF, 0xFF0000},
        {40, 16, true, 0x07FF, 0xF800},
        {40, 32, true, 0x00FFFF, 0xFF0000},
        {124, 8, false, 0, 1},
        {40, 8, false, 0, 1, CreateHalftonePalette(nullptr)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.headerSize << " " << c.bits << " " << c.fields);
        Pixels stored(15, c.cyan), expected(15, 0x00FFFF);
        for (int i : {0, 6, 12})
            stored[i] = c.red, expected[i] = 0xFF0000;
        HBITMAP bitmap = CreateBitmapFromDib(
            PackedDib(c.headerSize, c.bits, c.fields, 5, stored).data(), c.palette);
        SIZE size = {};
        EXPECT_EQ(0, GetBitmapSize(bitmap, nullptr));
        EXPECT_TRUE(GetBitmapSize(bitmap, &size) == 1 && size.cx == 5 && size.cy == 3);
        EXPECT_EQ(expected, Read(bitmap, 5, 3));
        DeleteObject(bitmap);
    }
    SIZE size = {-5, -6};
    EXPECT_TRUE(GetBitmapSize(nullptr, &size) == 0 && size.cx == -5 && size.cy == -6);
    EXPECT_EQ(nullptr, CreateBitmapFromDib(nullptr, nullptr));
    EXPECT_EQ(nullptr, CreateBitmapFromDib(Bytes(256).data(), nullptr));  // header size 0
}

// Over a known background, the transparent colour (here grey) shows the background and every
// other colour, black too, the picture; the bitmap is lent, and comes back unchanged.
TEST(TransparentBitmap, ShowsTheBackgroundThroughTheTransparentColourOnly) {
    Pixels picture(12 * 10), background(40 * 30);
    for (int i = 0; i < 12 * 10; ++i)
        picture[i] = i % 3 ? i % 4 ? 0xC08040 + i : 0x808080 : 0;
    std::iota(background.begin(), background.end(), 0x102030);
    // 9 x 7 pixels from (3, 1) of the picture at (34, -3): partly off the target.
    Pixels expected = background;
    for (int i = 0; i < 9 * 7; ++i) {
        const int x = 34 + i % 9, y = -3 + i / 9;
        const DWORD p = picture[(1 + i / 9) * 12 + 3 + i % 9];
        if (x < 40 && y >= 0 && p != 0x808080)
            expected[y * 40 + x] = p;
    }
    HBITMAP bitmap = CreateBitmapFromDib(PackedDib(40, 32, false, 12, picture).data(), nullptr);
    HBITMAP target = CreateBitmapFromDib(PackedDib(40, 32, false, 40, background).data(), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, target);
    // Without a bitmap, or with masks too big to make, nothing at all is drawn.
    DrawTransparentBitmap(dc, 0, 0, 4, 4, nullptr, 0, 0, 0);
    DrawTransparentBitmap(dc, 0, 0, 200000, 200000, bitmap, 0, 0, 0);
    DrawTransparentBitmap(dc, 34, -3, 9, 7, bitmap, 3, 1, 0x808080);
    EXPECT_EQ(expected, Read(target, 40, 30));
    EXPECT_EQ(picture, Read(bitmap, 12, 10));
    DeleteDC(dc);
    DeleteObject(bitmap);
    DeleteObject(target);
}
