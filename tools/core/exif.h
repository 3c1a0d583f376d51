#pragma once
// The orientation a camera or phone records in a JPEG's Exif block: how the stored rows must
// be turned to stand as the photo was taken. Every viewer honours it, so the splash does too.

#include <stddef.h>
#include <stdint.h>

// 1 (as stored) to 8, as Exif numbers them; 1 where the file says nothing readable.
int ReadJpegOrientation(const uint8_t* file, size_t length);

// Orientations 5 to 8 turn the picture a quarter: its width and height trade places.
inline bool TurnsAQuarter(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// Where the pixel shown at (x, y) is stored, for a stored picture of `width` x `height`.
void StoredPixelOf(int orientation, uint32_t width, uint32_t height, uint32_t x, uint32_t y,
                   uint32_t* storedX, uint32_t* storedY);
