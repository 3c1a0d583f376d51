#pragma once
// Splash pictures as authors keep them: BMP, PNG or JPEG files, told apart by their first
// bytes, in; the packed DIB the installer draws out.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

class ByteSource;

// A side longer than this is refused, in every kind of picture: one many times the screen is a
// mistake (the installer draws it at its own size), and its pixels would crowd the 32-bit
// tool's address space.
constexpr uint32_t kMaxPictureSide = 8192;

// False with a reason when a picture of `width` x `height` pixels is too large.
bool IsPictureSizeTaken(uint64_t width, uint64_t height, std::string* reason);

// No picture of that size needs a larger file than one stored without compression: 16-bit RGBA
// PNG rows with their filter bytes, and room for the chunks around them. A larger file is
// refused by its size, before it is read.
constexpr uint64_t kMaxPictureFileSize =
    uint64_t{kMaxPictureSide} * (kMaxPictureSide * 8 + 1) + (16u << 20);
bool IsPictureFileSizeTaken(uint64_t size, std::string* reason);

// The alpha rule: the installer leaves black transparent, so a pixel less than half opaque
// (alpha below 128) becomes black and any other keeps its colour. `rgba` holds `width` x
// `height` pixels of four bytes, top row first; out comes a 24-bit bottom-up BI_RGB DIB, turned
// as the Exif `orientation` (1 to 8) says the picture stands.
void RgbaToPackedDib(const uint8_t* rgba, uint32_t width, uint32_t height,
                     std::vector<uint8_t>* dib, int orientation = 1);

// A black `width` x `height` packed DIB as RgbaToPackedDib makes it, header written; gives the
// bytes from one row to the next, the bottom row first after the 40-byte header.
size_t StartPackedDib(uint32_t width, uint32_t height, std::vector<uint8_t>* dib);

// One RGBA pixel into the DIB's three bytes by the alpha rule above.
inline void PutDibPixel(uint8_t* out, const uint8_t* rgba) {
    const bool shown = rgba[3] >= 128;
    out[0] = shown ? rgba[2] : 0;
    out[1] = shown ? rgba[1] : 0;
    out[2] = shown ? rgba[0] : 0;
}

// Any splash picture file to the installer's packed DIB. False with a reason for a file that
// is no BMP, PNG or JPEG picture, or one the installer could not show.
bool PictureToPackedDib(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                        std::string* reason);

// The same for a file read as the picture needs it: a PNG a window at a time, never whole; a
// JPEG whole for its checks, then again as it is decoded; a BMP's rows turned into the DIB
// where they are read (they are most of it): the largest picture is not held twice.
bool PictureSourceToPackedDib(const ByteSource& file, std::vector<uint8_t>* dib,
                              std::string* reason);
