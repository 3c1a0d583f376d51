#pragma once
// Whether a JPEG's coded data holds every block its frame promises, and tables it can hold. A file
// cut short and closed with an end marker decodes without complaint, its missing rows grey or,
// progressive, blurred.

#include <stddef.h>
#include <stdint.h>

enum class JpegData { kWhole, kCutShort, kDamaged };

// kCutShort when a sequential scan's data ends before its last block, a component has no scan,
// or a progressive picture lacks the last pass of a coefficient or has a scan that ends early.
// kDamaged when a Huffman table lists more than 256 codes, which the decoder would write past
// the end of its table; when a scan uses a Huffman or quantisation table the file never gave,
// or a progressive scan refines coefficients no first pass began or begins them twice, where
// it would work on whatever its memory held; or when a second frame follows the first.
// kWhole for what it cannot judge (arithmetic coding, lossless, 12-bit samples, a malformed
// header): the decoder judges those.
JpegData CheckJpegData(const uint8_t* file, size_t length);

// False when a DHT segment (from its length field, `available` bytes of the file there) holds
// a table of more than 256 codes, read as the decoder reads it: table after table while the
// length lasts, even past the segment's end, zeros past the file's.
bool DhtTablesFit(const uint8_t* segment, size_t available);
