#include <gtest/gtest.h>

#include <vector>

#include "render/bitmap.h"
#include "tests/fixtures/synthetic_saver.h"

namespace {

using fixtures::Bytes;
using fixtures::Put32;
using Pixels = std::vector<DWORD>;  // top row first; 0x00RRGGBB, or as stored in a DIB

// A bottom-up packed DIB of `pixels` as stored, under a header of `headerSize` bytes (12: the
// core one). Palette entry 0 is cyan, 1 red; `fields` adds the masks of 5-6-5 or 8-8-8.
Bytes PackedDib(int headerSize, int bits, bool fields, int width, const Pixels& pixels) {
    const int height = static_cast<int>(pixels.size()) / width, entry = headerSize == 12 ? 3 : 4;
    const int table = (bits <= 8 ? entry << bits : 0) + (fields ? 12 : 0);
    const int stride = (width * bits + 31) / 32 * 4, rows = headerSize + table;
    Bytes dib(rows + stride * height);
    Put32(dib, 0, headerSize);
    if (headerSize == 12) {
        Put32(dib, 4, width | height << 16);
        Put32(dib, 8, 1 | bits << 16);
    } else {
        Put32(dib, 4, width);
        Put32(dib, 8, height);
        Put32(dib, 12, 1 | bits << 16);
        Put32(dib, 16, fields ? BI_BITFIELDS : BI_RGB);
    }
    const DWORD colours[] = {0x00FFFF, 0xFF0000},
                masks[][3] = {{0xF800, 0x07E0, 0x1F}, {0xFF0000, 0xFF00, 0xFF}};
    for (int i = 0; i < (fields ? 3 : bits <= 8 ? 2 : 0); ++i)
        Put32(dib, headerSize + i * (fields ? 4 : entry),
              fields ? masks[bits / 32][i] : colours[i]);
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

HBITMAP Bitmap(int width, const Pixels& pixels) {
    return CreateBitmapFromDib(PackedDib(40, 32, false, width, pixels).data(), nullptr);
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
        {12, 1, false, 0, 1},
        {12, 4, false, 0, 1},
        {12, 8, false, 0, 1},
        {12, 24, false, 0x00FFFF, 0xFF0000},
        {40, 1, false, 0, 1},
        {40, 4, false, 0, 1},
        {40, 8, false, 0, 1},
        {40, 16, false, 0x03FF, 0x7C00},
        {40, 24, false, 0x00FFFF, 0xFF0000},
        {40, 32, false, 0x00FFFF, 0xFF0000},
        {40, 16, true, 0x07FF, 0xF800},
        {40, 32, true, 0x00FFFF, 0xFF0000},
        {124, 8, false, 0, 1},
        {124, 24, false, 0x00FFFF, 0xFF0000},
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
        EXPECT_EQ(1, GetBitmapSize(bitmap, &size));
        EXPECT_EQ(5, size.cx);
        EXPECT_EQ(3, size.cy);
        EXPECT_EQ(expected, Read(bitmap, 5, 3));
        DeleteObject(bitmap);
    }
    SIZE size = {-5, -6};
    EXPECT_EQ(0, GetBitmapSize(nullptr, &size));
    EXPECT_EQ(-11, size.cx + size.cy);
    EXPECT_EQ(nullptr, CreateBitmapFromDib(nullptr, nullptr));
    EXPECT_EQ(nullptr, CreateBitmapFromDib(Bytes(256).data(), nullptr));  // header size 0
}

// Over a known background, the transparent colour shows the background and every other colour
// the picture; the bitmap is lent, and comes back unchanged.
TEST(TransparentBitmap, ShowsTheBackgroundThroughTheTransparentColourOnly) {
    struct Case {
        const char* what;
        DWORD (*pixel)(int x, int y);
        int x, y, width, height, sourceX, sourceY;
        DWORD transparent;
    } cases[] = {
        {"part of the picture",
         [](int x, int y) -> DWORD { return (x + y) % 3 ? 0xC08040 + x : 0; }, 5, 7, 8, 6, 2, 3, 0},
        {"partly off the target",
         [](int x, int y) -> DWORD { return (x * y) % 4 ? 0x40A0E0 - y : 0; }, 32, -3, 12, 10, 0, 0,
         0},
        {"no black", [](int x, int y) -> DWORD { return 0x010203 + x * 0x1000 + y; }, 3, 4, 12, 10,
         0, 0, 0},
        {"all black", [](int, int) -> DWORD { return 0; }, 3, 4, 12, 10, 0, 0, 0},
        {"grey transparent", [](int x, int y) -> DWORD { return (x + y) % 5 ? x : 0x808080; }, 6, 2,
         9, 7, 3, 1, 0x808080},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pixels picture(12 * 10), background(40 * 30);
        for (int i = 0; i < 12 * 10; ++i)
            picture[i] = c.pixel(i % 12, i / 12);
        for (int i = 0; i < 40 * 30; ++i)
            background[i] = 0x102030 + i;
        Pixels expected = background;
        for (int i = 0; i < c.width * c.height; ++i) {
            const int x = c.x + i % c.width, y = c.y + i / c.width;
            const DWORD p = picture[(c.sourceY + i / c.width) * 12 + c.sourceX + i % c.width];
            if (x >= 0 && y >= 0 && x < 40 && y < 30 && p != c.transparent)
                expected[y * 40 + x] = p;
        }
        HBITMAP bitmap = Bitmap(12, picture), target = Bitmap(40, background);
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, target);
        // Without a bitmap, or with masks too big to make, nothing at all is drawn.
        DrawTransparentBitmap(dc, 0, 0, 4, 4, nullptr, 0, 0, 0);
        DrawTransparentBitmap(dc, 0, 0, 200000, 200000, bitmap, 0, 0, 0);
        DrawTransparentBitmap(dc, c.x, c.y, c.width, c.height, bitmap, c.sourceX, c.sourceY,
                              c.transparent);
        EXPECT_EQ(expected, Read(target, 40, 30));
        EXPECT_EQ(picture, Read(bitmap, 12, 10));
        DeleteDC(dc);
        DeleteObject(bitmap);
        DeleteObject(target);
    }
}
