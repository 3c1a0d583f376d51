#include <gtest/gtest.h>

#include <vector>

#include "render/bitmap.h"
#include "tests/fixtures/synthetic_saver.h"

namespace {

using fixtures::Bytes;
using Pixels = std::vector<DWORD>;  // 0x00RRGGBB, top row first

// A 32-bit top-down DIB section selected into a memory context: pixels readable in place.
struct Canvas {
    Canvas(int width, int height) : width(width), height(height) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
        this->bits = static_cast<DWORD*>(bits);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    Pixels Read() const {
        GdiFlush();
        return Pixels(bits, bits + width * height);
    }
    void Fill(DWORD (*colour)(int x, int y)) {
        GdiFlush();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bits[y * width + x] = colour(x, y);
    }
    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    DWORD* bits;
};

// The pixels of a device-dependent bitmap, read as 32-bit top-down rows.
Pixels ReadBitmap(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    Pixels pixels(width * height);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(height, rows);
    return pixels;
}

// A bitmap in the display's format, like the splash.
HBITMAP DisplayBitmap(int width, int height, const Pixels& pixels) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

DWORD Background(int x, int y) {
    return 0x00102030 + static_cast<DWORD>(x * 0x010000 + y * 0x000101);
}

TEST(TransparentBitmap, TransparentPixelsKeepTheTargetAndTheBitmapComesBackUnchanged) {
    const int bw = 12, bh = 10;
    struct Case {
        const char* what;
        DWORD (*pixel)(int x, int y);
        int x, y, width, height, sourceX, sourceY;
        DWORD transparent = 0;  // 0x00RRGGBB
    } cases[] = {
        {"mixed, part of the bitmap",
         [](int x, int y) -> DWORD { return (x + y) % 3 ? 0x00C08040 + x * 0x0101 + y : 0; }, 5, 7,
         8, 6, 2, 3},
        {"mixed, partly off the target",
         [](int x, int y) -> DWORD { return (x * y) % 4 ? 0x0040A0E0 - x - y * 0x100 : 0; }, 32, -3,
         bw, bh, 0, 0},
        {"no black", [](int x, int y) -> DWORD { return 0x00010203 + x * 0x1000 + y; }, 3, 4, bw,
         bh, 0, 0},
        {"all black", [](int, int) -> DWORD { return 0; }, 3, 4, bw, bh, 0, 0},
        {"another transparent colour",
         [](int x, int y) -> DWORD { return (x + 2 * y) % 5 ? 0x00336699 * (x % 2) : 0x00C08040; },
         6, 2, 9, 7, 3, 1, 0x00C08040},
    };
    for (const auto& c : cases) {
        Pixels picture(bw * bh);
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x)
                picture[y * bw + x] = c.pixel(x, y);
        HBITMAP bitmap = DisplayBitmap(bw, bh, picture);

        Canvas canvas(40, 30);
        canvas.Fill(Background);
        Pixels expected = canvas.Read();
        for (int j = 0; j < c.height; ++j) {
            for (int i = 0; i < c.width; ++i) {
                int tx = c.x + i, ty = c.y + j;
                DWORD s = picture[(c.sourceY + j) * bw + c.sourceX + i];
                if (tx >= 0 && ty >= 0 && tx < canvas.width && ty < canvas.height &&
                    s != c.transparent)
                    expected[ty * canvas.width + tx] = s;
            }
        }

        for (int round = 1; round <= 2; ++round) {
            canvas.Fill(Background);
            COLORREF transparent =
                RGB(c.transparent >> 16, c.transparent >> 8 & 0xFF, c.transparent & 0xFF);
            DrawTransparentBitmap(canvas.dc, c.x, c.y, c.width, c.height, bitmap, c.sourceX,
                                  c.sourceY, transparent);
            EXPECT_EQ(expected, canvas.Read()) << c.what << ", drawing " << round;
            EXPECT_EQ(picture, ReadBitmap(bitmap, bw, bh)) << c.what << ", drawing " << round;
        }
        DeleteObject(bitmap);
    }
}

TEST(TransparentBitmap, WithoutBlackEqualsAPlainCopy) {
    Pixels picture(16 * 8);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = 0x00203040 + static_cast<DWORD>(i * 0x010101);
    HBITMAP bitmap = DisplayBitmap(16, 8, picture);
    Canvas drawn(30, 20), copied(30, 20);
    drawn.Fill(Background);
    copied.Fill(Background);
    DrawTransparentBitmap(drawn.dc, 7, 9, 16, 8, bitmap, 0, 0, RGB(0, 0, 0));
    HDC source = CreateCompatibleDC(copied.dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(copied.dc, 7, 9, 16, 8, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    EXPECT_EQ(copied.Read(), drawn.Read());
    DeleteObject(bitmap);
}

TEST(TransparentBitmap, DrawsNothingWithoutABitmapOrWhenItsMasksCannotBeMade) {
    HBITMAP bitmap = DisplayBitmap(4, 4, Pixels(16, 0x00FFFFFF));
    Canvas canvas(20, 20);
    canvas.Fill(Background);
    Pixels before = canvas.Read();
    DrawTransparentBitmap(canvas.dc, 0, 0, 4, 4, nullptr, 0, 0, RGB(0, 0, 0));
    EXPECT_EQ(before, canvas.Read());
    // Masks of 200000 x 200000 pixels cannot be made.
    DrawTransparentBitmap(canvas.dc, 0, 0, 200000, 200000, bitmap, 0, 0, RGB(0, 0, 0));
    EXPECT_EQ(before, canvas.Read());
    EXPECT_EQ(Pixels(16, 0x00FFFFFF), ReadBitmap(bitmap, 4, 4));
    DeleteObject(bitmap);
}

TEST(BitmapSize, IsStoredOnlyForABitmapAndAPlace) {
    HBITMAP bitmap = DisplayBitmap(13, 7, Pixels(13 * 7));
    SIZE size = {-5, -6};
    EXPECT_EQ(0, GetBitmapSize(nullptr, &size));
    EXPECT_EQ(-5, size.cx);
    EXPECT_EQ(-6, size.cy);
    EXPECT_EQ(0, GetBitmapSize(bitmap, nullptr));
    EXPECT_EQ(1, GetBitmapSize(bitmap, &size));
    EXPECT_EQ(13, size.cx);
    EXPECT_EQ(7, size.cy);
    DeleteObject(bitmap);
}

// A packed 5 x 3 DIB: red at the top-left pixel, cyan everywhere else.
enum class Header { kCore, kInfo, kBitFields, kV5 };
const DWORD kRed = 0x00FF0000, kCyan = 0x0000FFFF;  // as 0x00RRGGBB

Bytes PackedDib(Header kind, int bits, bool topDown = false) {
    const int width = 5, height = 3;
    const bool core = kind == Header::kCore;
    const bool fields = kind == Header::kBitFields || (kind == Header::kV5 && bits == 16);
    const uint32_t headerSize = core ? 12 : kind == Header::kV5 ? 124 : 40;
    const int entries = bits <= 8 ? 1 << bits : 0;
    const int entrySize = core ? 3 : 4;
    // Masks follow the header of every kind: the program counts them into the table.
    const size_t rowsAt = headerSize + entries * entrySize + (fields ? 12 : 0);
    const int stride = (width * bits + 31) / 32 * 4;
    Bytes dib(rowsAt + static_cast<size_t>(stride) * height, 0);
    fixtures::Put32(dib, 0, headerSize);
    if (core) {
        dib[4] = width;
        dib[6] = height;
        dib[8] = 1;
        dib[10] = static_cast<uint8_t>(bits);
    } else {
        fixtures::Put32(dib, 4, width);
        fixtures::Put32(dib, 8, static_cast<uint32_t>(topDown ? -height : height));
        dib[12] = 1;
        dib[14] = static_cast<uint8_t>(bits);
        fixtures::Put32(dib, 16, fields ? BI_BITFIELDS : BI_RGB);
    }
    uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    if (bits == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    for (int i = 0; fields && i < 3; ++i) {
        fixtures::Put32(dib, headerSize + 4 * i, masks[i]);
        if (kind == Header::kV5)
            fixtures::Put32(dib, 40 + 4 * i, masks[i]);
    }
    if (kind == Header::kV5)
        fixtures::Put32(dib, 56, 0x73524742);  // LCS_sRGB
    // Palette: entry 0 cyan, entry 1 red.
    if (entries) {
        dib[headerSize + 0] = 0xFF;  // blue
        dib[headerSize + 1] = 0xFF;  // green
        dib[headerSize + entrySize + 2] = 0xFF;
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &dib[rowsAt + static_cast<size_t>(topDown ? y : height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            bool red = x == 0 && y == 0;
            switch (bits) {
                case 1:
                    row[x / 8] |= red << (7 - x % 8);
                    break;
                case 4:
                    row[x / 2] |= red << (x % 2 ? 0 : 4);
                    break;
                case 8:
                    row[x] = red;
                    break;
                case 16: {
                    uint16_t value = fields ? (red ? 0xF800 : 0x07FF) : (red ? 0x7C00 : 0x03FF);
                    row[2 * x] = value & 0xFF;
                    row[2 * x + 1] = value >> 8;
                    break;
                }
                default:  // 24 and 32: blue, green, red
                    row[x * bits / 8 + 0] = red ? 0 : 0xFF;
                    row[x * bits / 8 + 1] = red ? 0 : 0xFF;
                    row[x * bits / 8 + 2] = red ? 0xFF : 0;
            }
        }
    }
    return dib;
}

TEST(BitmapFromDib, EveryHeaderKindAndBitCountGivesTheRightSizeAndPixels) {
    struct Case {
        const char* what;
        Header kind;
        int bits;
        bool topDown;
    } cases[] = {
        {"core 1", Header::kCore, 1, false},
        {"core 4", Header::kCore, 4, false},
        {"core 8", Header::kCore, 8, false},
        {"core 24", Header::kCore, 24, false},
        {"info 1", Header::kInfo, 1, false},
        {"info 4", Header::kInfo, 4, false},
        {"info 8", Header::kInfo, 8, false},
        {"info 16", Header::kInfo, 16, false},
        {"info 24", Header::kInfo, 24, false},
        {"info 32", Header::kInfo, 32, false},
        {"info 24 top-down", Header::kInfo, 24, true},
        {"bit fields 16", Header::kBitFields, 16, false},
        {"bit fields 32", Header::kBitFields, 32, false},
        {"V5 1", Header::kV5, 1, false},
        {"V5 4", Header::kV5, 4, false},
        {"V5 8", Header::kV5, 8, false},
        {"V5 16", Header::kV5, 16, false},
        {"V5 24", Header::kV5, 24, false},
        {"V5 32", Header::kV5, 32, false},
    };
    for (const auto& c : cases) {
        Bytes dib = PackedDib(c.kind, c.bits, c.topDown);
        HBITMAP bitmap = CreateBitmapFromDib(dib.data(), nullptr);
        ASSERT_NE(nullptr, bitmap) << c.what;
        SIZE size = {};
        EXPECT_EQ(1, GetBitmapSize(bitmap, &size)) << c.what;
        EXPECT_EQ(5, size.cx) << c.what;
        EXPECT_EQ(3, size.cy) << c.what;
        Pixels expected(15, kCyan);
        expected[0] = kRed;
        EXPECT_EQ(expected, ReadBitmap(bitmap, 5, 3)) << c.what;
        DeleteObject(bitmap);
    }
}

TEST(BitmapFromDib, NullOrRefusedHeaderGivesNull) {
    EXPECT_EQ(nullptr, CreateBitmapFromDib(nullptr, nullptr));
    Bytes zeroFilled(256, 0);  // a size field of 0
    EXPECT_EQ(nullptr, CreateBitmapFromDib(zeroFilled.data(), nullptr));
}

TEST(BitmapFromDib, WorksThroughAPalette) {
    struct {
        LOGPALETTE header;
        PALETTEENTRY more[1];
    } logical = {{0x300, 2, {{0, 0, 0, 0}}}, {{255, 255, 255, 0}}};
    HPALETTE palette = CreatePalette(&logical.header);
    Bytes dib = PackedDib(Header::kInfo, 8);
    HBITMAP bitmap = CreateBitmapFromDib(dib.data(), palette);
    ASSERT_NE(nullptr, bitmap);
    Pixels expected(15, kCyan);
    expected[0] = kRed;
    EXPECT_EQ(expected, ReadBitmap(bitmap, 5, 3));
    DeleteObject(bitmap);
    DeleteObject(palette);
}

}  // namespace
