#pragma once
// Whether a JPEG's coded data holds every block its frame promises. A file cut short and closed
// with an end marker decodes without complaint, its missing rows grey or, progressive, blurred.

#include <stddef.h>
#include <stdint.h>

// False when a sequential scan's data ends before its last block, a component has no scan, or
// a progressive picture lacks the last pass of a coefficient. True for what it cannot judge
// (arithmetic coding, lossless, 12-bit samples, a malformed header): the decoder judges those.
bool JpegScansAreWhole(const uint8_t* file, size_t length);
