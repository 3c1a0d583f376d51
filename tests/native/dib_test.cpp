#include <gtest/gtest.h>

#include "tests/fixtures/synthetic_saver.h"
#include "render/dib.h"

using fixtures::Bytes;

// A packed DIB of `length` bytes, zero but for its header's fields (a core header for size 12).
static Bytes Dib(uint32_t size, uint32_t width, uint32_t height, uint32_t bits, size_t length,
                 uint32_t compression = 0, uint32_t used = 0, uint32_t sizeImage = 0) {
    uint32_t fields[] = {size, width, height, 1 | bits << 16, compression, sizeImage, 0, 0, used};
    if (size == kCoreHeaderSize) {  // 16-bit sizes; what follows is colour table
        fields[1] = width | height << 16;
        fields[2] = 1 | bits << 16;
    }
    Bytes dib(std::max(length, sizeof fields), 0);
    memcpy(dib.data(), fields, sizeof fields);  // the test hosts are little-endian, as is the file
    dib.resize(length);
    return dib;
}

// Whole means: the header, the colour table as this program and as the platform count it, and
// every row; one byte less is not whole.
TEST(SplashGuard, AcceptsWholePicturesOnly) {
    const struct {
        const char* what;
        Bytes dib;
        bool whole;
    } cases[] = {
        {"8 bits", Dib(40, 4, 4, 8, 40 + 1024 + 16), true},
        {"core 8 bits", Dib(12, 4, 4, 8, 12 + 768 + 16), true},
        {"bit fields", Dib(40, 4, 4, 16, 40 + 12 + 32, kBitFields), true},
        {"17 colours used", Dib(40, 4, 4, 8, 40 + 17 * 4 + 16, 0, 17), true},
        {"70000 used: 4464 as this program counts", Dib(40, 4, 4, 8, 40 + 17856 + 16, 0, 70000),
         true},
        {"24 bits, rows padded", Dib(40, 7, 5, 24, 40 + 24 * 5), true},
        {"top-down", Dib(40, 7, -5, 24, 40 + 24 * 5), true},
        {"V5 header, 4 bits", Dib(124, 4, 4, 4, 124 + 64 + 16), true},
        {"compressed, as long as its size", Dib(40, 4, 4, 8, 40 + 1024 + 10, 1, 0, 10), true},
        {"compressed without a size", Dib(40, 4, 4, 8, 2000, 1), false},
        {"65541 used: 256 as the platform counts", Dib(40, 4, 4, 8, 40 + 20 + 16, 0, 65541), false},
        {"size field cut", Dib(40, 4, 4, 24, 3), false},
        {"size field 0", Dib(0, 4, 4, 24, 100), false},
        {"size field beyond the block", Dib(0xFFFFFFF0u, 4, 4, 24, 100), false},
        {"width 0", Dib(40, 0, 4, 24, 100), false},
        {"48 bits, never drawn", Dib(40, 4, 4, 48, 40 + 4 * 24), false},
        // Rows of 2^42 bytes, whose product with the height wraps to 0.
        {"32768 bits", Dib(40, 1u << 30, 1u << 22, 32768, 1000), false},
    };
    for (const auto& c : cases) {
        // Copies of exactly the length under test, so AddressSanitizer sees any read past it.
        Bytes exact(c.dib), shorter(c.dib.begin(), c.dib.end() - 1);
        EXPECT_EQ(c.whole, IsSplashDibComplete(exact.data(), exact.size()) != 0) << c.what;
        if (c.whole)
            EXPECT_FALSE(IsSplashDibComplete(shorter.data(), shorter.size())) << c.what;
    }
}
