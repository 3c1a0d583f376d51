#pragma once
// The installer's packed DIB back to pixels, for the page's preview of the progress screen.

#include <stddef.h>
#include <stdint.h>

#include <vector>

// `dib` as the kit makes it (uncompressed, complete) to RGBA, top row first, with the
// installer's transparent colour (black) at alpha 0 and every other pixel opaque; of a larger
// picture only the left `roomWidth` columns of its bottom `roomHeight` rows, all a screen shows
// of it (the installer draws it up from the bottom edge). `width` and `height` are of what is
// given. False for a DIB that is compressed or shorter than its rows.
bool DibToRgba(const uint8_t* dib, size_t length, std::vector<uint8_t>* rgba, uint32_t* width,
               uint32_t* height, uint32_t roomWidth = UINT32_MAX, uint32_t roomHeight = UINT32_MAX);
