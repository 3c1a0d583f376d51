#include "render/dib.h"

#include "support/little_endian.h"

uint16_t GetDibColorCount(const void* dib) {
    const uint8_t* header = static_cast<const uint8_t*>(dib);
    uint32_t bitCount;
    if (Read32(header) == kCoreHeaderSize) {
        bitCount = Read16(header + 10);
    } else {
        uint32_t used = Read32(header + 32);
        if (used != 0)
            return static_cast<uint16_t>(used);
        bitCount = Read16(header + 14);
    }
    return bitCount <= 8 ? static_cast<uint16_t>(1u << bitCount) : 0;
}

uint16_t GetDibColorTableSize(const void* dib) {
    const uint8_t* header = static_cast<const uint8_t*>(dib);
    uint32_t count = GetDibColorCount(dib);
    if (Read32(header) == kCoreHeaderSize)
        return static_cast<uint16_t>(count * 3);
    if (Read32(header + 16) == kBitFields)
        return static_cast<uint16_t>(count * 4 + 12);
    return static_cast<uint16_t>(count * 4);
}

// The depths the platform draws. Any other count is no picture, and keeps the row arithmetic
// below far from wrapping.
static bool IsDrawnBitCount(uint64_t bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

int IsSplashDibComplete(const void* dib, uint32_t length) {
    const uint8_t* header = static_cast<const uint8_t*>(dib);
    if (length < 4)
        return 0;
    uint64_t headerSize = Read32(header);
    bool core = headerSize == kCoreHeaderSize;
    if (!core && headerSize < kInfoHeaderSize)
        return 0;
    if (headerSize > length)
        return 0;

    uint64_t width, height, bitCount, compression = 0, sizeImage = 0, used = 0;
    if (core) {
        width = Read16(header + 4);
        height = Read16(header + 6);
        bitCount = Read16(header + 10);
    } else {
        int32_t signedWidth = static_cast<int32_t>(Read32(header + 4));
        int32_t signedHeight = static_cast<int32_t>(Read32(header + 8));
        if (signedWidth <= 0 || signedHeight == 0)
            return 0;
        width = static_cast<uint64_t>(signedWidth);
        // Negative heights are top-down rows; the magnitude counts.
        height = signedHeight < 0 ? 0 - static_cast<int64_t>(signedHeight) : signedHeight;
        bitCount = Read16(header + 14);
        compression = Read32(header + 16);
        sizeImage = Read32(header + 20);
        used = Read32(header + 32);
    }
    if (!IsDrawnBitCount(bitCount))
        return 0;

    // The platform may read more table entries than the 16-bit count says (up to 256 for 8
    // bits or fewer): both counts must fit.
    uint64_t entrySize = core ? 3 : 4;
    uint64_t platformEntries = used ? used : (bitCount <= 8 ? 1u << bitCount : 0);
    if (bitCount <= 8 && platformEntries > 256)
        platformEntries = 256;
    uint64_t masks = !core && compression == kBitFields ? 12 : 0;
    uint64_t platformTable = platformEntries * entrySize + masks;
    uint64_t table = GetDibColorTableSize(dib);
    uint64_t rowsStart = headerSize + table;
    if (headerSize + platformTable > length || rowsStart > length)
        return 0;

    uint64_t room = length - rowsStart;
    if (compression == 0 || compression == kBitFields) {
        // A row is under 2^34 bytes and the height under 2^31: compare by division, no product.
        // A core header may say width 0, which has no rows at all. A row longer than the bytes
        // left fits no row; otherwise both fit 32 bits, and so does the division.
        uint64_t stride = (width * bitCount + 31) / 32 * 4;
        if (stride == 0 || stride > room)
            return stride == 0 || height == 0;
        return height <= static_cast<uint32_t>(room) / static_cast<uint32_t>(stride);
    }
    return sizeImage != 0 && sizeImage <= room;
}
