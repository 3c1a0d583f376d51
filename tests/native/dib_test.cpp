#include <gtest/gtest.h>

#include "tests/fixtures/synthetic_saver.h"
#include "render/dib.h"

using fixtures::Bytes;

namespace {

Bytes CoreHeader(uint16_t bits) {
    Bytes dib(12, 0);
    fixtures::Put32(dib, 0, 12);
    dib[4] = 4;  // 4 x 4
    dib[6] = 4;
    dib[8] = 1;
    dib[10] = static_cast<uint8_t>(bits);
    return dib;
}

Bytes InfoHeader(uint16_t bits, uint32_t used, uint32_t compression = 0, uint32_t size = 40) {
    Bytes dib(size, 0);
    fixtures::Put32(dib, 0, size);
    fixtures::Put32(dib, 4, 4);
    fixtures::Put32(dib, 8, 4);
    dib[12] = 1;
    dib[14] = static_cast<uint8_t>(bits);
    fixtures::Put32(dib, 16, compression);
    fixtures::Put32(dib, 32, used);
    return dib;
}

TEST(DibColorTable, CountsAndSizesOfEveryHeaderKind) {
    struct Case {
        const char* what;
        Bytes header;
        uint16_t count;
        uint16_t size;
    } cases[] = {
        {"core 8 bits", CoreHeader(8), 256, 768},
        {"core 24 bits", CoreHeader(24), 0, 0},
        {"core 1 bit", CoreHeader(1), 2, 6},
        {"core 4 bits", CoreHeader(4), 16, 48},
        {"V5 8 bits", InfoHeader(8, 0, 0, 124), 256, 1024},
        {"info 4 bits", InfoHeader(4, 0), 16, 64},
        {"info 8 bits, 17 used", InfoHeader(8, 17), 17, 68},
        {"info 24 bits, 2 used", InfoHeader(24, 2), 2, 8},
        {"bit fields 16 bits", InfoHeader(16, 0, 3), 0, 12},
        {"bit count 0", InfoHeader(0, 0), 1, 4},
        {"65536 used", InfoHeader(8, 65536), 0, 0},
        {"70000 used", InfoHeader(8, 70000), 4464, 17856},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.count, GetDibColorCount(c.header.data())) << c.what;
        EXPECT_EQ(c.size, GetDibColorTableSize(c.header.data())) << c.what;
    }
}

TEST(SplashGuard, AcceptsWholePicturesOnly) {
    Bytes whole = fixtures::SplashDib(7, 5);  // rows of 21 bytes padded to 24
    ASSERT_EQ(40u + 24 * 5, whole.size());
    EXPECT_TRUE(IsSplashDibComplete(whole.data(), static_cast<uint32_t>(whole.size())));

    Bytes eightBit = InfoHeader(8, 0);
    eightBit.resize(40 + 1024 + 16);  // 4 x 4 at 8 bits: 16 bytes of rows
    Bytes coreEight = CoreHeader(8);
    coreEight.resize(12 + 768 + 16);
    Bytes bitFields = InfoHeader(16, 0, 3);
    bitFields.resize(40 + 12 + 32);
    Bytes rle = InfoHeader(8, 0, 1);
    fixtures::Put32(rle, 20, 10);
    rle.resize(40 + 1024 + 10);
    // biClrUsed beyond 16 bits: this program counts 5 entries, the platform up to 256.
    Bytes wideUsed = InfoHeader(8, 65536 + 5);
    wideUsed.resize(40 + 20 + 16);
    Bytes zeroSize = whole;
    fixtures::Put32(zeroSize, 0, 0);
    Bytes hugeHeader = whole;
    fixtures::Put32(hugeHeader, 0, 0xFFFFFFF0u);
    Bytes zeroWidth = whole;
    fixtures::Put32(zeroWidth, 4, 0);
    Bytes rleWithoutSize = InfoHeader(8, 0, 1);
    rleWithoutSize.resize(2000);
    Bytes topDown = whole;
    fixtures::Put32(topDown, 8, static_cast<uint32_t>(-5));
    // 2^31 - 1 square at 65535 bits: rows of 2^44 bytes, whose product with the height wraps.
    Bytes wraps = InfoHeader(0, 0);
    fixtures::Put32(wraps, 4, 0x7FFFFFFF);
    fixtures::Put32(wraps, 8, 0x7FFFFFFF);
    wraps[14] = wraps[15] = 0xFF;
    Bytes twoBits = InfoHeader(2, 0);
    twoBits.resize(40 + 16 + 16);
    Bytes v5 = InfoHeader(4, 0, 0, 124);
    v5.resize(124 + 64 + 4 * 4);  // 4 x 4 at 4 bits: four rows of 4 bytes

    struct Case {
        const char* what;
        Bytes dib;
        size_t cut;  // bytes removed from the end
        bool complete;
    } cases[] = {
        {"8 bits whole", eightBit, 0, true},
        {"8 bits, rows cut", eightBit, 1, false},
        {"core 8 bits whole", coreEight, 0, true},
        {"core colour table cut", coreEight, 17, false},
        {"bit fields whole", bitFields, 0, true},
        {"bit fields, masks cut", bitFields, 33, false},
        {"compressed, as long as its size field", rle, 0, true},
        {"compressed, shorter", rle, 1, false},
        {"compressed without a size", rleWithoutSize, 0, false},
        {"table counted by the platform", wideUsed, 0, false},
        {"24 bits, last row cut", whole, 3, false},
        {"top-down whole", topDown, 0, true},
        {"top-down, last row cut", topDown, 1, false},
        {"V5 whole", v5, 0, true},
        {"V5 header cut", v5, v5.size() - 100, false},
        {"header cut", whole, whole.size() - 20, false},
        {"size field 0", zeroSize, 0, false},
        {"size field beyond the block", hugeHeader, 0, false},
        {"width 0", zeroWidth, 0, false},
        {"bit count the platform never draws", wraps, 0, false},
        {"2 bits", twoBits, 0, false},
    };
    for (const auto& c : cases) {
        // A copy of exactly the length under test, so AddressSanitizer sees any read past it.
        Bytes exact(c.dib.begin(), c.dib.end() - static_cast<long>(c.cut));
        EXPECT_EQ(c.complete,
                  IsSplashDibComplete(exact.data(), static_cast<uint32_t>(exact.size())) != 0)
            << c.what;
    }
    for (uint32_t length = 0; length < 4; ++length)
        EXPECT_FALSE(IsSplashDibComplete(whole.data(), length));
}

}  // namespace
