#include <gtest/gtest.h>

#include <stdio.h>

#include "support/little_endian.h"
#include "tests/fixtures/bmp_file.h"
#include "tests/fixtures/picture_files.h"
#include "tools/core/byte_source.h"
#include "tools/core/picture.h"
#include "tools/core/picture_decode.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

using fixtures::Bytes;

namespace {

// The rows of each pass (one unless interlaced) filtered by the five filters in turn, of samples
// drawn mostly from three values, so that a tRNS colour matches some pixels.
Bytes FilteredRows(uint32_t width, uint32_t height, int bits, bool interlaced, uint32_t seed) {
    const int x0[] = {0, 4, 0, 2, 0, 1, 0, 0}, y0[] = {0, 0, 4, 0, 2, 0, 1, 0};
    const int dx[] = {8, 8, 4, 4, 2, 2, 1, 1}, dy[] = {8, 8, 8, 4, 4, 2, 2, 1};
    Bytes raw;
    for (int p = interlaced ? 0 : 7; p < (interlaced ? 7 : 8); ++p) {
        const uint32_t w = (width - x0[p] + dx[p] - 1) / dx[p],
                       h = (height - y0[p] + dy[p] - 1) / dy[p];
        const size_t rowBytes = (size_t{w} * bits + 7) / 8, left = std::max(1, bits / 8);
        Bytes prior(w && h ? rowBytes : 0, 0), row = prior;
        for (uint32_t y = 0; w && y < h; ++y) {
            const int filter = (y + p) % 5;
            raw.push_back(static_cast<uint8_t>(filter));
            for (size_t i = 0; i < rowBytes; ++i) {
                seed = seed * 1103515245 + 12345;
                const uint8_t few[] = {0, 7, 255, static_cast<uint8_t>(seed >> 8)};
                row[i] = few[seed >> 30];
                const int a = i >= left ? row[i - left] : 0, b = prior[i];
                const int c = i >= left ? prior[i - left] : 0, q = a + b - c;
                const int paeth = abs(q - a) <= abs(q - b) && abs(q - a) <= abs(q - c) ? a
                                  : abs(q - b) <= abs(q - c)                           ? b
                                                                                       : c;
                const int guess[] = {0, a, b, (a + b) >> 1, paeth};
                raw.push_back(static_cast<uint8_t>(row[i] - guess[filter]));
            }
            prior = row;
        }
    }
    return raw;
}

}  // namespace

// A PNG goes row by row from the inflater into the DIB; the DIB must be the one the decoder's
// own whole-picture path gives, for every colour type, depth and interlacing, compressed or
// stored, in IDAT chunks of any size, and past the inflater's first window of 1 MiB.
TEST(SplashPicture, PngRowsGiveTheWholeDecodersPixels) {
    Bytes palette, alpha;
    for (int i = 0; i < 256; ++i)
        palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    for (int i = 0; i < 100; ++i)
        alpha.push_back(uint8_t(i * 3));
    const struct Case {
        uint8_t colour, depth;
        Bytes transparency;
    } cases[] = {
        {0, 1, {}},
        {0, 2, {0, 2}},
        {0, 4, {}},
        {0, 8, {0, 7}},
        {0, 16, {7, 7}},
        {2, 8, {0, 7, 0, 255, 0, 0}},
        {2, 16, {7, 7, 0, 0, 255, 255}},
        {3, 1, alpha},
        {3, 4, alpha},
        {3, 8, alpha},
        {4, 8, {}},
        {4, 16, {}},
        {6, 8, {}},
        {6, 16, {}},
    };
    for (const Case& c : cases)
        for (int variant = 0; variant < 4; ++variant) {
            SCOPED_TRACE(std::to_string(c.colour) + "/" + std::to_string(c.depth) + " variant " +
                         std::to_string(variant));
            const bool interlaced = variant & 1, large = variant == 3 && c.depth == 16;
            const uint32_t width = large ? 600 : 37, height = large ? 500 : 23;
            const int channels[] = {1, 0, 3, 1, 2, 0, 4};
            Bytes raw = FilteredRows(width, height, channels[c.colour] * c.depth, interlaced,
                                     c.colour * 100 + c.depth + variant);
            int length = 0;
            uint8_t* packed =
                stbi_zlib_compress(raw.data(), static_cast<int>(raw.size()), &length, 5);
            const Bytes zlib =
                variant == 2 ? fixtures::StoredZlib(raw) : Bytes(packed, packed + length);
            free(packed);
            const Bytes png = fixtures::PngAround(
                width, height, c.depth, c.colour, interlaced, zlib,
                c.colour == 3 ? Bytes(palette.begin(), palette.begin() + 3 * (1 << c.depth))
                              : Bytes{},
                Bytes(
                    c.transparency.begin(),
                    c.transparency.begin() + std::min<size_t>(c.transparency.size(), 1 << c.depth)),
                variant == 1 ? 7 : 8192);
            Bytes rows, whole;
            std::string reason;
            ASSERT_TRUE(PictureToPackedDib(png.data(), png.size(), &rows, &reason)) << reason;
            ASSERT_TRUE(DecodeWholePicture(png.data(), png.size(), &whole, &reason)) << reason;
            EXPECT_TRUE(rows == whole);
        }
}

namespace {

// Pixels as hex digits, one a pixel, rows bottom first and apart by spaces, as the rows of an
// uncompressed DIB of `bits` per pixel.
Bytes Rows(const std::string& pixels, uint32_t bits, int32_t* width, int32_t* height) {
    *width = static_cast<int32_t>(pixels.find(' '));
    *height = static_cast<int32_t>((pixels.size() + 1) / (*width + 1));
    const size_t stride = (*width * bits + 31) / 32 * 4;
    Bytes rows(stride * *height, 0);
    for (int32_t y = 0; y < *height; ++y)
        for (int32_t x = 0; x < *width; ++x) {
            uint8_t value = static_cast<uint8_t>(
                std::stoi(pixels.substr(y * (*width + 1) + x, 1), nullptr, 16));
            rows[y * stride + x * bits / 8] |= bits == 8 ? value : value << (x % 2 ? 0 : 4);
        }
    return rows;
}

// A 24-bit bottom-up DIB of 2 x 2 pixels given as 0xRRGGBB, top row first.
Bytes Dib2x2(std::array<uint32_t, 4> pixels) {
    Bytes dib(40 + 2 * 8, 0);
    fixtures::Put32(dib, 0, 40);
    fixtures::Put32(dib, 4, 2);
    fixtures::Put32(dib, 8, 2);
    fixtures::Put32(dib, 12, 1 | 24 << 16);
    fixtures::Put32(dib, 20, 16);
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c)  // blue, green, red
            dib[40 + (1 - i / 2) * 8 + (i % 2) * 3 + c] =
                static_cast<uint8_t>(pixels[i] >> (8 * c));
    return dib;
}

}  // namespace

// A run-length BMP becomes an uncompressed DIB of its depth: the same header but for
// compression and image size, the same colour table, the runs expanded; pixels no run reaches
// keep colour entry 0, and those a run puts past its row's end are dropped.
TEST(SplashPicture, RunLengthBmpExpandsToUncompressedRows) {
    const struct Case {
        const char* name;
        uint32_t bits;
        Bytes stream;
        std::string want;
    } cases[] = {
        {"encoded runs, end of row", 8, {3, 7, 2, 9, 0, 0, 5, 1, 0, 1}, "77799 11111"},
        {"odd absolute run padded", 8, {0, 3, 4, 5, 6, 0, 2, 8, 0, 0, 0, 1}, "45688 00000"},
        {"even absolute run", 8, {0, 4, 1, 2, 3, 4, 0, 1}, "12340 00000"},
        {"move skips pixels", 8, {1, 5, 0, 2, 2, 1, 1, 6, 0, 1}, "50000 00060"},
        {"early end of picture", 8, {2, 3, 0, 1}, "33000 00000"},
        {"end of row after the last", 8, {5, 1, 0, 0, 5, 2, 0, 0, 0, 1}, "11111 22222"},
        {"RLE4 runs alternate nibbles", 4, {5, 0xAB, 0, 0, 3, 0xCD, 0, 1}, "ABABA CDC00"},
        {"RLE4 five nibbles padded", 4, {0, 5, 0x12, 0x34, 0x50, 0, 0, 1}, "12345 00000"},
        {"RLE4 three nibbles unpadded", 4, {0, 3, 0x12, 0x30, 1, 0xF0, 0, 1}, "123F0 00000"},
        {"RLE4 move", 4, {0, 2, 4, 1, 1, 0xE0, 0, 1}, "00000 0000E"},
        // Runs that take in the row's padding, as some encoders write them: the rest is dropped.
        {"run past the row", 8, {6, 7, 0, 1}, "77777 00000"},
        {"second run past the row", 8, {3, 7, 3, 8, 0, 0, 1, 9, 0, 1}, "77788 90000"},
        {"RLE4 run past the row", 4, {7, 0xAB, 0, 1}, "ABABA 00000"},
        {"absolute run past the row", 8, {0, 6, 1, 2, 3, 4, 5, 6, 0, 0, 2, 9, 0, 1}, "12345 99000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t width, height;
        Bytes rows = Rows(c.want, c.bits, &width, &height),
              file = fixtures::RleBmp(c.bits, width, height, c.stream), dib;
        Bytes want(file.begin() + 14, file.begin() + 54 + (4 << c.bits));
        fixtures::Put32(want, 16, 0);
        fixtures::Put32(want, 20, static_cast<uint32_t>(rows.size()));
        want.insert(want.end(), rows.begin(), rows.end());
        std::string reason;
        ASSERT_TRUE(PictureToPackedDib(file.data(), file.size(), &dib, &reason)) << reason;
        EXPECT_EQ(want, dib);
    }
}

// A stream that ends early or leaves its picture is refused with a reason; nothing is read or
// written outside the file and the rows (the native tests run under AddressSanitizer).
TEST(SplashPicture, BrokenRunLengthStreamsAreRefused) {
    const struct Case {
        const char* name;
        uint32_t bits;
        Bytes stream;
        const char* reason;
        int64_t sizeImage = -1;
        int32_t height = 2;
    } cases[] = {
        {"no end mark", 8, {3, 7}, "ends before its end-of-picture mark"},
        {"run above the last row", 8, {0, 0, 0, 0, 1, 5, 0, 1}, "runs past the last row"},
        {"colours above the last row",
         8,
         {0, 0, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1},
         "past the last row"},
        {"end of row above the last", 8, {0, 0, 0, 0, 0, 0, 0, 1}, "goes on past the last row"},
        {"move past the right edge", 8, {1, 1, 0, 2, 5, 0, 0, 1}, "moves past the edge"},
        {"move past the top", 8, {0, 2, 0, 3, 0, 1}, "moves past the edge"},
        {"ends inside a move", 8, {0, 2, 1}, "ends inside a move"},
        {"ends inside absolute run", 8, {0, 5, 1, 2}, "ends inside a run of colours"},
        {"RLE4 ends inside padding", 4, {0, 5, 0x12, 0x34, 0x50}, "ends inside a run of colours"},
        {"biSizeImage cuts the stream", 8, {5, 1, 0, 1}, "ends before its end-of-picture", 2},
        {"biSizeImage past the file", 8, {0, 1}, "reach past the end of the file", 100},
        {"top-down rows", 8, {0, 1}, "top-down", -1, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = fixtures::RleBmp(c.bits, 5, c.height, c.stream, c.sizeImage), dib;
        std::string reason;
        EXPECT_FALSE(PictureToPackedDib(file.data(), file.size(), &dib, &reason));
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
}

// Fields the system reads but files get wrong are mended (one plane, the rows' true size, a
// colour table short of the indices the rows use filled up with black); masks that would show
// nothing or mix colours are refused.
TEST(SplashPicture, BmpFieldsThatCannotBeDrawnAreMendedOrRefused) {
    const struct Case {
        const char* name;
        Bytes file;
        size_t at;  // a 32-bit field of the file set to `value`; 0 for none
        uint32_t value;
        const char* reason;  // nullptr: taken, with these fields in the DIB (-1: none)
        int64_t sizeImage = -1, used = -1;
        size_t tableBytes = 0;
    } cases[] = {
        {"two planes", fixtures::BmpFile(40, 8, 2), 26, 2 | 8 << 16, nullptr, 0, 0, 1024},
        {"core, two planes", fixtures::BmpFile(12, 8, 2), 22, 2 | 8 << 16, nullptr, -1, -1, 768},
        {"image size 2 GiB", fixtures::BmpFile(40, 8, 2), 34, 1u << 31, nullptr, 32, 0, 1024},
        {"8-bit rows past a table of 4", fixtures::BmpFile(40, 8, 2), 46, 4, nullptr, 0, 0, 1024},
        {"4-bit rows past a table of 2", fixtures::BmpFile(40, 4, 2, 0, {}, 2), 0, 0, nullptr, 0, 0,
         64},
        {"empty masks", fixtures::BmpFile(40, 16, 2, 3, {0, 0, 0}), 0, 0, "masks"},
        {"one empty mask", fixtures::BmpFile(108, 32, 2, 3, {0xFF0000, 0, 0xFF}), 0, 0, "masks"},
        {"masks sharing bits", fixtures::BmpFile(40, 16, 2, 3, {0xF800, 0xFE0, 0x1F}), 0, 0,
         "masks"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = c.file, dib;
        if (c.at)
            fixtures::Put32(file, c.at, c.value);
        std::string reason;
        bool taken = PictureToPackedDib(file.data(), file.size(), &dib, &reason);
        Bytes ownDib;  // the same, made in the bytes read from the file
        std::string ownReason;
        EXPECT_EQ(taken, PictureSourceToPackedDib(MemorySource(file), &ownDib, &ownReason));
        EXPECT_EQ(std::make_pair(dib, reason), std::make_pair(ownDib, ownReason));
        if (c.reason) {
            EXPECT_FALSE(taken);
            EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
            continue;
        }
        ASSERT_TRUE(taken) << reason;
        const bool core = c.sizeImage < 0;
        EXPECT_EQ(1u, Read16(dib.data() + (core ? 8 : 12)));
        if (!core)
            EXPECT_EQ(std::make_pair(c.sizeImage, c.used),
                      std::make_pair(int64_t{Read32(&dib[20])}, int64_t{Read32(&dib[32])}));
        const size_t rows = file.size() - Read32(&file[10]);
        EXPECT_EQ((core ? 12 : 40) + c.tableBytes + rows, dib.size());
    }
}

// The inflater lets go of the rows it took but keeps 32 KiB: stored blocks past its first MiB,
// then fixed-code blocks that each copy 258 bytes from 32 KiB back, as far as deflate reaches.
TEST(SplashPicture, PngBlocksReachAsFarBackAsDeflateAllows) {
    const uint32_t width = 4095, height = 400, row = width + 1, reach = 32768, copies = 1700;
    Bytes raw(size_t{row} * height);
    const size_t stored = raw.size() - 258 * copies;
    for (size_t i = 0; i < raw.size(); ++i)  // filter "none" at each row's start
        raw[i] = i >= stored ? raw[i - reach] : i % row ? uint8_t(i * 7 + i / 4099) : 0;
    Bytes zlib = {0x78, 0x01};
    uint32_t bits = 0, count = 0;
    auto put = [&](uint32_t value, uint32_t n) {  // least significant bit first
        for (uint32_t i = 0; i < n; ++i, ++count) {
            bits |= (value >> i & 1) << count % 8;
            if (count % 8 == 7)
                zlib.push_back(uint8_t(bits)), bits = 0;
        }
    };
    auto code = [&](uint32_t value, uint32_t n) {  // a Huffman code, most significant bit first
        for (uint32_t i = n; i-- > 0;)
            put(value >> i & 1, 1);
    };
    for (size_t at = 0; at < stored; at += 65535) {
        const uint32_t n = uint32_t(std::min<size_t>(65535, stored - at));
        put(0, 3);
        put(0, (8 - count % 8) % 8);
        put(n, 16);
        put(~n & 0xFFFF, 16);
        for (uint32_t i = 0; i < n; ++i)
            put(raw[at + i], 8);
    }
    for (uint32_t block = 0; block < copies / 100; ++block) {
        put(block + 1 == copies / 100, 1);
        put(1, 2);  // fixed codes
        for (int i = 0; i < 100; ++i) {
            code(0xC5, 8);  // length 258
            code(29, 5);    // distance 24577 + 8191
            put(8191, 13);
        }
        code(0, 7);  // end of block
    }
    put(0, (8 - count % 8) % 8);
    zlib.insert(zlib.end(), {0, 0, 0, 0});  // the Adler-32 neither decoder reads
    const Bytes png = fixtures::PngAround(width, height, 8, 0, 0, zlib);
    Bytes rows, whole;
    std::string reason;
    ASSERT_TRUE(PictureToPackedDib(png.data(), png.size(), &rows, &reason)) << reason;
    ASSERT_TRUE(DecodeWholePicture(png.data(), png.size(), &whole, &reason)) << reason;
    EXPECT_TRUE(rows == whole);
}

// PNG and JPEG become 24-bit bottom-up DIBs; a pixel less than half opaque becomes black, the
// installer's transparent colour, and any other keeps its colour, black included.
TEST(SplashPicture, PngBecomesTwentyFourBitsWithTheAlphaRule) {
    const struct Case {
        const char* name;
        Bytes png;
        std::array<uint32_t, 4> want;
    } cases[] = {
        {"RGBA",
         fixtures::Png(2, 2, 8, 6,
                       {10, 20, 30, 255, 40, 50, 60, 128, 70, 80, 90, 127, 100, 110, 120, 0}),
         {0x0A141E, 0x28323C, 0, 0}},
        {"grey and alpha",
         fixtures::Png(2, 2, 8, 4, {200, 255, 100, 127, 50, 128, 9, 0}),
         {0xC8C8C8, 0, 0x323232, 0}},
        {"RGB",
         fixtures::Png(2, 2, 8, 2, {1, 2, 3, 0, 0, 0, 255, 0, 0, 0, 0, 255}),
         {0x010203, 0, 0xFF0000, 0x0000FF}},
        {"grey", fixtures::Png(2, 2, 8, 0, {0, 85, 170, 255}), {0, 0x555555, 0xAAAAAA, 0xFFFFFF}},
        {"palette with transparency",
         fixtures::Png(2, 2, 8, 3, {0, 1, 2, 1}, {9, 9, 9, 1, 2, 3, 4, 5, 6}, {0, 255, 100}),
         {0, 0x010203, 0, 0x010203}},
        {"palette index past its entries",
         fixtures::Png(2, 2, 8, 3, {0, 1, 5, 200}, {9, 9, 9, 200, 200, 200}),
         {0x090909, 0xC8C8C8, 0, 0}},
        {"16-bit RGBA",
         fixtures::Png(2, 2, 16, 6, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xFF, 1, 0, 2,
                                     0,    3,    0,    0x7F, 0xFF, 4,    0,    5,    0, 6, 0,
                                     0x80, 0,    7,    0,    8,    0,    9,    0,    0, 0}),
         {0x12569A, 0, 0x040506, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes dib;
        std::string reason;
        ASSERT_TRUE(PictureToPackedDib(c.png.data(), c.png.size(), &dib, &reason)) << reason;
        EXPECT_EQ(Dib2x2(c.want), dib);
    }
}

Bytes Jpeg(int width, int height, const Bytes& rgb, int quality = 100) {
    Bytes jpeg;
    stbi_write_jpg_to_func(
        [](void* out, void* data, int size) {
            auto* bytes = static_cast<const uint8_t*>(data);
            static_cast<Bytes*>(out)->insert(static_cast<Bytes*>(out)->end(), bytes, bytes + size);
        },
        &jpeg, width, height, 3, rgb.data(), quality);
    return jpeg;
}

// A flat grey JPEG of `blocks` 8 x 8 blocks in a row, a restart marker after each but the last,
// as cameras write them: one-code tables make each block the bits 00, padded with ones.
Bytes JpegWithRestarts(int blocks) {
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    jpeg.insert(jpeg.end(), 64, 1);
    jpeg.insert(jpeg.end(),
                {0xFF, 0xC0, 0, 11, 8, 0, 8, 0, static_cast<uint8_t>(8 * blocks), 1, 1, 0x11, 0});
    for (uint8_t table : {0x00, 0x10})
        jpeg.insert(jpeg.end(),
                    {0xFF, 0xC4, 0, 20, table, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    jpeg.insert(jpeg.end(), {0xFF, 0xDD, 0, 4, 0, 1, 0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0});
    for (int i = 0; i < blocks; ++i) {
        if (i)
            jpeg.insert(jpeg.end(), {0xFF, static_cast<uint8_t>(0xD0 + (i - 1) % 8)});
        jpeg.push_back(0x3F);
    }
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

// A phone's photo stands as its Exif block says, in either byte order; an orientation out of
// range, or a block that is cut, leaves it as stored.
TEST(SplashPicture, JpegStandsAsItsExifOrientationSays) {
    const uint8_t kColours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    Bytes rgb;  // 32 x 16, stored as red, green over blue, white
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            rgb.insert(rgb.end(), kColours[(y >= 8) * 2 + (x >= 16)],
                       kColours[(y >= 8) * 2 + (x >= 16)] + 3);
    const Bytes jpeg = Jpeg(32, 16, rgb);
    const struct {
        uint16_t orientation;
        bool bigEndian;
        int corners[4];  // colours shown top left, top right, bottom left, bottom right
        size_t cut = 0;  // bytes the Exif block lacks
    } cases[] = {
        {1, false, {0, 1, 2, 3}},     {2, true, {1, 0, 3, 2}},  {3, false, {3, 2, 1, 0}},
        {4, true, {2, 3, 0, 1}},      {5, false, {0, 2, 1, 3}}, {6, true, {2, 0, 3, 1}},
        {7, false, {3, 1, 2, 0}},     {8, true, {1, 3, 0, 2}},  {9, false, {0, 1, 2, 3}},
        {6, false, {0, 1, 2, 3}, 14},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.orientation << (c.bigEndian ? " MM" : " II"));
        auto put16 = [&](Bytes& to, uint32_t v) {
            to.push_back(static_cast<uint8_t>(c.bigEndian ? v >> 8 : v));
            to.push_back(static_cast<uint8_t>(c.bigEndian ? v : v >> 8));
        };
        auto put32 = [&](Bytes& to, uint32_t v) {
            put16(to, c.bigEndian ? v >> 16 : v & 0xFFFF);
            put16(to, c.bigEndian ? v & 0xFFFF : v >> 16);
        };
        // Two entries in the first directory: the camera's make, then the orientation.
        Bytes tiff = c.bigEndian ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
        put32(tiff, 8);
        put16(tiff, 2);
        put16(tiff, 0x010F), put16(tiff, 2), put32(tiff, 4),
            tiff.insert(tiff.end(), {'a', 'b', 'c', 0});
        put16(tiff, 0x0112), put16(tiff, 3), put32(tiff, 1), put16(tiff, c.orientation),
            put16(tiff, 0);
        put32(tiff, 0);
        tiff.resize(tiff.size() - c.cut);
        Bytes app1 = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
        app1.insert(app1.end(), tiff.begin(), tiff.end());
        app1[2] = static_cast<uint8_t>((app1.size() - 2) >> 8);
        app1[3] = static_cast<uint8_t>(app1.size() - 2);
        Bytes file(jpeg.begin(), jpeg.begin() + 2);
        file.insert(file.end(), app1.begin(), app1.end());
        file.insert(file.end(), jpeg.begin() + 2, jpeg.end());

        Bytes dib;
        std::string reason;
        ASSERT_TRUE(PictureToPackedDib(file.data(), file.size(), &dib, &reason)) << reason;
        const bool quarter = c.cut == 0 && c.orientation >= 5 && c.orientation <= 8;
        const uint32_t width = quarter ? 16 : 32, height = quarter ? 32 : 16;
        ASSERT_EQ(40u + height * width * 3, dib.size());
        for (int corner = 0; corner < 4; ++corner) {
            uint32_t x = corner % 2 ? width * 3 / 4 : width / 4;
            uint32_t y = corner / 2 ? height * 3 / 4 : height / 4;
            const uint8_t* bgr = &dib[40 + ((height - 1 - y) * width + x) * 3];
            const uint8_t* want = kColours[c.corners[corner]];
            SCOPED_TRACE(corner);
            EXPECT_NEAR(want[0], bgr[2], 8);
            EXPECT_NEAR(want[1], bgr[1], 8);
            EXPECT_NEAR(want[2], bgr[0], 8);
        }
    }
}

// `file` with `edit` made at its first `marker` (at its start for "").
template <typename Edit>
Bytes Edited(Bytes file, const char* marker, Edit edit) {
    edit(file, std::string(file.begin(), file.end()).find(marker));
    return file;
}

// A side over 8192 pixels is refused with the same reason in every kind of picture, before any
// pixel is decoded; files of no picture kind, or cut short, are refused with a reason.
TEST(SplashPicture, OversizedOddAndCutFilesAreRefused) {
    const Bytes png = fixtures::Png(2, 2, 8, 0, {0, 85, 170, 255}),
                jpeg = Jpeg(8, 8, Bytes(8 * 8 * 3, 99));
    const struct Case {
        const char* name;
        Bytes file;
        const char* reason;  // nullptr: accepted
    } cases[] = {
        {"RLE 8192 wide", fixtures::RleBmp(8, 8192, 1, {0, 1}), nullptr},
        {"uncompressed BMP 8192 high", fixtures::BmpFile(40, 1, 8192), nullptr},
        {"uncompressed BMP 8193 high", fixtures::BmpFile(40, 1, 8193), "13 x 8193 pixels (at most"},
        {"RLE 8193 wide", fixtures::RleBmp(8, 8193, 1, {0, 1}), "8193 x 1 pixels (at most 8192"},
        {"RLE 8193 high", fixtures::RleBmp(8, 1, 8193, {0, 1}), "1 x 8193 pixels (at most 8192"},
        {"PNG 8192 wide", fixtures::Png(8192, 1, 8, 0, Bytes(8192, 7)), nullptr},
        {"PNG 8193 wide", fixtures::Png(8193, 1, 8, 0, Bytes(8193, 7)),
         "8193 x 1 pixels (at most 8192"},
        {"PNG 8193 high", fixtures::Png(1, 8193, 8, 0, Bytes(8193, 7)),
         "1 x 8193 pixels (at most 8192"},
        {"PNG cut short", Bytes(png.begin(), png.begin() + png.size() / 2), "the PNG file ends"},
        {"PNG signature alone", Bytes(png.begin(), png.begin() + 8), "the PNG file ends"},
        {"JPEG start alone", {0xFF, 0xD8, 0xFF}, "the JPEG file ends"},
        {"JPEG cut short",
         Edited(Jpeg(16, 16, Bytes(16 * 16 * 3, 99)), "",
                [](Bytes& j, size_t) { j.resize(j.size() - 20); }),
         "the JPEG file ends before its picture does"},
        {"JPEG cut in half and closed with an end marker",
         [] {
             Bytes noise(64 * 48 * 3), jpeg;
             for (size_t i = 0; i < noise.size(); ++i)
                 noise[i] = static_cast<uint8_t>(i * i * 2654435761u >> 13);
             jpeg = Jpeg(64, 48, noise, 90);  // four luminance blocks to a unit
             jpeg.resize(jpeg.size() * 3 / 4);
             jpeg.insert(jpeg.end(), {0xFF, 0xD9});
             return jpeg;
         }(),
         "the JPEG file ends before its picture does"},
        {"JPEG with restart markers", JpegWithRestarts(10), nullptr},
        {"JPEG with restart markers, its last interval cut off",
         Edited(JpegWithRestarts(10), "\xFF\xD9",
                [](Bytes& j, size_t at) { j.erase(j.begin() + at - 3, j.begin() + at); }),
         "the JPEG file ends before its picture does"},
        {"PNG with a byte of its pixels changed",
         Edited(png, "IDAT", [](Bytes& p, size_t at) { p[at + 5] ^= 1; }),
         "its PNG chunk IDAT fails its checksum"},
        {"JPEG without quantisation tables",  // both in the one DQT segment
         Edited(jpeg, "\xFF\xDB",
                [](Bytes& j, size_t at) {
                    j.erase(j.begin() + at, j.begin() + at + 2 + (j[at + 2] << 8 | j[at + 3]));
                }),
         "a JPEG without quantisation tables"},
        {"JPEG with a Huffman table of more than 256 codes, which the decoder overruns",
         Edited(jpeg, "\xFF\xC4", [](Bytes& j, size_t at) { j[at + 19] = j[at + 20] = 0xFF; }),
         "the JPEG picture's data is damaged"},  // codes of 15 and 16 bits
        {"JPEG whose scan uses a Huffman table no DHT gave",
         Edited(jpeg, "\xFF\xDA", [](Bytes& j, size_t at) { j[at + 6] = 0x33; }),
         "the JPEG picture's data is damaged"},
        {"JPEG whose frame names a quantisation table no DQT gave",
         Edited(jpeg, "\xFF\xC0", [](Bytes& j, size_t at) { j[at + 12] = 2; }),
         "the JPEG picture's data is damaged"},
        {"JPEG with a second frame after its scan",
         Edited(jpeg, "\xFF\xC0",
                [](Bytes& j, size_t at) {
                    j.insert(j.end() - 2, j.begin() + at, j.begin() + at + 19);
                }),
         "the JPEG picture's data is damaged"},
        {"JPEG with a marker the decoder does not know after its scan",
         Edited(jpeg, "\xFF\xD9",
                [](Bytes& j, size_t) {
                    j.insert(j.end() - 2, {0xFF, 0x28, 0, 2});
                }),
         "the JPEG picture's data is damaged"},
        {"core header, the file ends after it",  // no room behind it for a read
         Edited(fixtures::BmpFile(12, 24, 1), "", [](Bytes& b, size_t) { b.resize(26); }),
         "the pixel rows reach past the end of the file"},
        {"BM and no more", {'B', 'M', 0, 0}, "the BMP file ends inside its headers"},
        {"GIF", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "not a BMP, PNG or JPEG picture"},
        {"empty", {}, "not a BMP, PNG or JPEG picture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes dib;
        std::string reason;
        EXPECT_EQ(c.reason == nullptr,
                  PictureToPackedDib(c.file.data(), c.file.size(), &dib, &reason));
        if (c.reason)
            EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
}

// What ImageMagick writes for `options`, as JPEG; empty without it.
Bytes Convert(const std::string& options) {
    Bytes out;
    if (FILE* pipe = popen(("convert " + options + " jpg:- 2>/dev/null").c_str(), "r")) {
        for (int c; (c = fgetc(pipe)) != EOF;)
            out.push_back(static_cast<uint8_t>(c));
        pclose(pipe);
    }
    return out;
}

// A JPEG goes into the DIB a band of block rows at a time: read on through a sequential scan,
// or by a pass over every scan for each band of a progressive one. The DIB must be the
// decoder's whole-picture one, with bands of one row of blocks as with the tools' bands.
TEST(SplashPicture, JpegBandsGiveTheWholeDecodersPixels) {
    Bytes noise(61 * 47 * 3);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<uint8_t>(i * i * 2654435761u >> 13);
    std::vector<std::pair<std::string, Bytes>> files = {{"4:4:4", Jpeg(61, 47, noise, 95)},
                                                        {"4:2:0", Jpeg(61, 47, noise, 50)}};
    for (const char* options :
         {"-sampling-factor 2x1 -define jpeg:restart-interval=3", "-sampling-factor 1x2",
          "-sampling-factor 4x1", "-colorspace Gray -sampling-factor 2x2", "-colorspace CMYK",
          "-interlace JPEG -sampling-factor 2x2", "-interlace JPEG -colorspace CMYK"})
        files.emplace_back(options, Convert("-size 61x47 plasma:fractal -seed 5 -quality 80 " +
                                            std::string(options)));
    for (const auto& [name, jpeg] : files) {
        SCOPED_TRACE(name);
        if (jpeg.empty())
            GTEST_SKIP() << "ImageMagick's convert is needed";
        Bytes whole, dib;
        std::string reason;
        ASSERT_TRUE(DecodeWholePicture(jpeg.data(), jpeg.size(), &whole, &reason)) << reason;
        for (size_t band : {size_t{1}, kJpegBandBytes}) {
            ASSERT_TRUE(DecodePngOrJpeg(jpeg.data(), jpeg.size(), &dib, &reason, band)) << reason;
            EXPECT_TRUE(dib == whole) << band;
        }
    }
}

// A file whose reads fail from the `fails`-th on, as one changed or gone while it is read.
struct FailingSource : MemorySource {
    FailingSource(const Bytes& bytes, int fails) : MemorySource(bytes), fails(fails) {}
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override {
        return ++reads < fails ? MemorySource::Read(offset, length, out) : !(failed = true);
    }
    int fails;
    mutable int reads = 0;
    mutable bool failed = false;
};

// The tools read a PNG a window at a time and decode a JPEG from the file after checking it
// whole: a read that fails at any point refuses the picture, never draws what was not read.
TEST(SplashPicture, APictureThatCannotBeReadToTheEndIsRefused) {
    const std::pair<const char*, Bytes> files[] = {
        {"PNG", fixtures::Png(40, 30, 8, 2, Bytes(40 * 30 * 3, 77))},
        {"JPEG", Jpeg(40, 30, Bytes(40 * 30 * 3, 99))},
        {"progressive JPEG", Convert("-size 40x30 plasma:fractal -interlace JPEG")}};
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        if (file.empty())
            GTEST_SKIP() << "ImageMagick's convert is needed";
        const bool jpeg = file[0] == 0xFF;  // said as a changed file wherever the read fails
        for (int fails = 1;; ++fails) {
            FailingSource source(file, fails);
            Bytes dib;
            std::string reason;
            const bool taken = PictureSourceToPackedDib(source, &dib, &reason);
            if (!source.failed) {
                EXPECT_TRUE(taken) << reason;
                EXPECT_GT(fails, 3);  // the check, the size and the pixels each read
                break;
            }
            EXPECT_FALSE(taken) << "reads failing from the " << fails << "th";
            if (jpeg)
                EXPECT_NE(reason.find("changed while it was read"), std::string::npos) << reason;
        }
    }
}

// Progressive JPEGs as a real encoder writes them, whose later scans refine coefficients that
// earlier ones began: taken whole; cut before or inside any scan and closed with an end marker,
// refused, the last scan too, where nothing is missing but the tail of its data.
TEST(SplashPicture, ProgressiveJpegCutInsideAnyScanIsRefused) {
    for (const char* options :
         {"-sampling-factor 1x1 -quality 95", "-sampling-factor 2x2",
          "-sampling-factor 2x1 -define jpeg:restart-interval=2", "-colorspace Gray -blur 0x4"}) {
        SCOPED_TRACE(options);
        const Bytes jpeg =
            Convert("-size 61x47 plasma:fractal -seed 3 -interlace JPEG " + std::string(options));
        if (jpeg.empty())
            GTEST_SKIP() << "ImageMagick's convert is needed";
        Bytes dib;
        std::string reason;
        EXPECT_TRUE(PictureToPackedDib(jpeg.data(), jpeg.size(), &dib, &reason)) << reason;
        int scans = 0;
        for (size_t at = 0; at + 4 < jpeg.size(); ++at) {
            if (jpeg[at] != 0xFF || jpeg[at + 1] != 0xDA)
                continue;
            const size_t data = at + 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
            size_t end = data;
            while (jpeg[end] != 0xFF || jpeg[end + 1] == 0 || (jpeg[end + 1] & 0xF8) == 0xD0)
                ++end;
            SCOPED_TRACE(++scans);
            // The first DC pass left out or given twice: the decoder would refine, or clear,
            // what its memory held.
            Bytes without = jpeg, twice = jpeg;
            without.erase(without.begin() + at, without.begin() + end);
            twice.insert(twice.begin() + end, jpeg.begin() + at, jpeg.begin() + end);
            for (const Bytes& edited : {without, twice}) {
                if (scans != 1)
                    continue;
                EXPECT_FALSE(PictureToPackedDib(edited.data(), edited.size(), &dib, &reason));
                EXPECT_NE(reason.find("data is damaged"), std::string::npos) << reason;
            }
            // The scan and those after it left out; its data but the last two bytes, which
            // hold at least two bits it needs, as padding is seven at most (all of it when it
            // is shorter: ImageMagick's pictures differ from run to run).
            for (size_t length : {at, std::max(end - 2, data)}) {
                Bytes cut(jpeg.begin(), jpeg.begin() + length);
                cut.insert(cut.end(), {0xFF, 0xD9});
                EXPECT_FALSE(PictureToPackedDib(cut.data(), cut.size(), &dib, &reason));
                EXPECT_NE(reason.find("ends before its picture does"), std::string::npos) << reason;
            }
        }
        EXPECT_GE(scans, 6);
    }
}
