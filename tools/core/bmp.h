#pragma once
// BMP files in, packed DIBs that the installer draws out. A BMP file is a 14-byte file header
// ("BM", file size, two reserved words, offset of the rows) before a packed DIB whose rows may
// start further on.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// What a packed DIB's header says, for people to read.
struct DibFacts {
    const char* kind;  // "core", "info", "V4", "V5" or "other"
    uint32_t headerSize;
    int32_t width;
    int32_t height;  // negative: top-down rows
    uint32_t bitCount;
    uint32_t compression;
    uint32_t colours;  // colour-table entries as the installer counts them
};

// False when `length` bytes cannot hold the header its size field announces.
bool DescribeDib(const uint8_t* dib, size_t length, DibFacts* facts);

// Converts a BMP file of any header kind the platform reads (12, 40, 108, 124 bytes; 1, 4, 8,
// 16, 24, 32 bits; BI_RGB, BI_BITFIELDS, or BI_RLE8 and BI_RLE4 bottom-up; either row order
// uncompressed) to a packed DIB that the installer's splash guard accepts, run-length rows
// expanded. False with a reason for anything else.
bool BmpToPackedDib(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                    std::string* reason);

// The same, turning the file's own bytes into the DIB: its rows stay where they are read, so
// the largest picture is held once rather than twice. Refused, `file` may no longer hold it.
bool BmpFileToPackedDib(std::vector<uint8_t>* file, std::string* reason);
