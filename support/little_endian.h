#pragma once
// The 16- and 32-bit little-endian fields of the package's and the pictures' headers, read
// byte by byte: the file gives no alignment.

#include <stdint.h>

static inline uint32_t Read16(const uint8_t* p) {
    return p[0] | p[1] << 8;
}

static inline uint32_t Read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
