#include "tools/core/exif.h"

#include <string.h>

namespace {

uint32_t Read(const uint8_t* p, int size, bool bigEndian) {
    uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= uint32_t{p[bigEndian ? i : size - 1 - i]} << (8 * (size - 1 - i));
    return value;
}

// The orientation entry of the first image directory of an Exif block's TIFF data.
int OrientationInTiff(const uint8_t* tiff, size_t length) {
    if (length < 8 || (memcmp(tiff, "II*\0", 4) != 0 && memcmp(tiff, "MM\0*", 4) != 0))
        return 1;
    bool big = tiff[0] == 'M';
    uint32_t directory = Read(tiff + 4, 4, big);
    if (directory > length - 2)
        return 1;
    uint32_t entries = Read(tiff + directory, 2, big);
    for (uint32_t i = 0; i < entries; ++i) {
        size_t at = directory + 2 + size_t{i} * 12;
        if (at + 12 > length)
            break;
        const uint8_t* entry = tiff + at;
        const uint32_t kOrientationTag = 0x0112, kShort = 3;
        if (Read(entry, 2, big) == kOrientationTag && Read(entry + 2, 2, big) == kShort) {
            uint32_t value = Read(entry + 8, 2, big);
            return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

}  // namespace

int ReadJpegOrientation(const uint8_t* file, size_t length) {
    if (length < 4 || file[0] != 0xFF || file[1] != 0xD8)
        return 1;
    size_t at = 2;
    // Segments up to the scan: marker, 16-bit length counting itself, payload.
    while (at + 4 <= length && file[at] == 0xFF) {
        uint8_t marker = file[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break;
        size_t size = Read(file + at + 2, 2, true);
        if (size < 2 || at + 2 + size > length)
            break;
        const uint8_t* payload = file + at + 4;
        if (marker == 0xE1 && size >= 8 && memcmp(payload, "Exif\0\0", 6) == 0)
            return OrientationInTiff(payload + 6, size - 8);
        at += 2 + size;
    }
    return 1;
}

void StoredPixelOf(int orientation, uint32_t width, uint32_t height, uint32_t x, uint32_t y,
                   uint32_t* storedX, uint32_t* storedY) {
    uint32_t right = width - 1, bottom = height - 1;
    switch (orientation) {
        case 2:
            *storedX = right - x, *storedY = y;
            break;  // mirrored
        case 3:
            *storedX = right - x, *storedY = bottom - y;
            break;  // upside down
        case 4:
            *storedX = x, *storedY = bottom - y;
            break;  // mirrored upside down
        case 5:
            *storedX = y, *storedY = x;
            break;  // mirrored, turned a quarter
        case 6:
            *storedX = y, *storedY = bottom - x;
            break;  // to be turned clockwise
        case 7:
            *storedX = right - y, *storedY = bottom - x;
            break;  // mirrored, turned a quarter
        case 8:
            *storedX = right - y, *storedY = x;
            break;  // to be turned anticlockwise
        default:
            *storedX = x, *storedY = y;
            break;
    }
}
