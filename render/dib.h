#pragma once
// Packed DIB header arithmetic. A packed DIB is a header (BITMAPCOREHEADER when its size field
// is 12, else BITMAPINFOHEADER or a larger one of that family), a colour table, then the rows.
//
//   core header  offset 0 bcSize(4) 4 bcWidth(2) 6 bcHeight(2) 8 bcPlanes(2) 10 bcBitCount(2)
//   info header  offset 0 biSize(4) 4 biWidth(4) 8 biHeight(4) 12 biPlanes(2) 14 biBitCount(2)
//                16 biCompression(4) 20 biSizeImage(4) 24, 28 resolution 32 biClrUsed(4) 36 (4)

#include <stdint.h>

enum : uint32_t {
    kCoreHeaderSize = 12,
    kInfoHeaderSize = 40,
    kBitFields = 3,
};

// Colour-table entries: biClrUsed (low 16 bits) when set, else 2^bits for 8 bits or fewer.
uint16_t GetDibColorCount(const void* dib);

// Colour-table bytes: 3 per entry (core), 4 per entry plus 12 masks for BI_BITFIELDS;
// modulo 65536.
uint16_t GetDibColorTableSize(const void* dib);

// Whether `length` bytes hold the header its size field announces, its colour table (as this
// program and the platform each count it) and the rows the header describes. Reads nothing
// beyond `length`.
int IsSplashDibComplete(const void* dib, uint32_t length);
