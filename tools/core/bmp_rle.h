#pragma once
// The run-length streams of BI_RLE8 and BI_RLE4 BMP files, expanded to the rows of an
// uncompressed DIB of the same depth, so the installer draws what the platform would.
//
//   n c          n > 0: n pixels of colour c (RLE4: c's two nibbles in turn, high first)
//   0 0          end of the row: on to the start of the next one up
//   0 1          end of the picture
//   0 2 dx dy    move dx right and dy up
//   0 n ...      n >= 3: n colours as they are (RLE4: packed two to a byte), padded to an
//                even number of bytes

#include <stddef.h>
#include <stdint.h>

#include <string>

enum : uint32_t { kRle8 = 1, kRle4 = 2 };

// Expands `stream` into `rows`: `height` rows of `stride` bytes, bottom row first, 8 or 4
// `bits` per pixel, zero-filled by the caller (pixels no run reaches keep colour entry 0, as
// on the platform). False with a reason for a stream that ends early or leaves the picture.
bool ExpandRle(const uint8_t* stream, size_t length, uint32_t bits, uint32_t width, uint32_t height,
               size_t stride, uint8_t* rows, std::string* reason);
