#pragma once
// PNG and JPEG decoding, kept to the one file that compiles the decoder.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// Decodes a PNG or JPEG file to 8-bit RGBA, top row first (grey, palette and 16-bit PNGs
// converted). Refuses a picture larger than kMaxPictureSide before decoding it. False with a
// reason for a file the decoder cannot read.
bool DecodePngOrJpeg(const uint8_t* file, size_t length, std::vector<uint8_t>* rgba,
                     uint32_t* width, uint32_t* height, std::string* reason);
