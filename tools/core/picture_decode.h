#pragma once
// PNG and JPEG decoding, kept to the one file that compiles the decoder.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// Decodes a PNG or JPEG file (grey, palette and 16-bit PNGs converted to 8-bit RGBA) and
// hands its pixels to RgbaToPackedDib. Refuses a picture larger than kMaxPictureSide before
// decoding it. False with a reason for a file the decoder cannot read.
bool DecodePngOrJpeg(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                     std::string* reason);
