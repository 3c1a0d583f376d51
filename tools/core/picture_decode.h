#pragma once
// PNG and JPEG decoding, kept to the one file that compiles the decoder.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

class ByteSource;

// Decodes a PNG or JPEG file (grey, palette and 16-bit PNGs converted to 8-bit RGBA) into the
// packed DIB that RgbaToPackedDib makes. Refuses a picture larger than kMaxPictureSide before
// decoding it. False with a reason for a file the decoder cannot read. A PNG goes a row at a
// time from the inflater into the DIB, a JPEG a band of rows at a time, each band holding
// `jpegBand` bytes of coefficients (one row of blocks at least): peak memory is about the DIB's.
constexpr size_t kJpegBandBytes = size_t{32} << 20;
bool DecodePngOrJpeg(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                     std::string* reason, size_t jpegBand = kJpegBandBytes);

// The same for a PNG read from `file` a window at a time: the file itself is never held whole.
bool DecodePngFrom(const ByteSource& file, std::vector<uint8_t>* dib, std::string* reason);

// The same for a JPEG: its checks walk `whole`, the file read whole, which then goes before the
// picture is made by reading `file` as the decoder asks for it.
bool DecodeJpegFrom(const ByteSource& file, std::vector<uint8_t>* whole, std::vector<uint8_t>* dib,
                    std::string* reason, size_t jpegBand = kJpegBandBytes);

// The decoder's own way, the whole picture in 8-bit RGBA at once, then RgbaToPackedDib: what
// the rows of a PNG and the bands of a JPEG must give byte for byte. No checks before it.
bool DecodeWholePicture(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                        std::string* reason);
