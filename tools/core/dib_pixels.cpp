#include "tools/core/dib_pixels.h"

#include "render/dib.h"
#include "support/little_endian.h"
#include "tools/core/bmp.h"

namespace {

constexpr uint32_t kRed555 = 0x7C00, kGreen555 = 0x03E0, kBlue555 = 0x001F;

// A colour field of a 16- or 32-bit pixel, widened to 8 bits by repeating its top bits, as the
// platform widens 5-bit fields.
uint8_t Field(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    int shift = 0, bits = 0;
    while (!(mask >> shift & 1))
        ++shift;
    while (shift + bits < 32 && (mask >> (shift + bits) & 1))
        ++bits;
    uint32_t wide = ((pixel & mask) >> shift) << (32 - bits);
    for (int n = bits; n < 8; n *= 2)
        wide |= wide >> n;
    return static_cast<uint8_t>(wide >> 24);
}

}  // namespace

bool DibToRgba(const uint8_t* dib, size_t length, std::vector<uint8_t>* rgba, uint32_t* width,
               uint32_t* height, uint32_t roomWidth, uint32_t roomHeight) {
    DibFacts f;
    if (!DescribeDib(dib, length, &f) || (f.compression != 0 && f.compression != kBitFields) ||
        f.width <= 0 || !IsSplashDibComplete(dib, static_cast<uint32_t>(length)))
        return false;
    bool core = f.headerSize == kCoreHeaderSize;
    bool topDown = f.height < 0;
    uint32_t w = static_cast<uint32_t>(f.width);
    uint32_t h = topDown ? 0u - static_cast<uint32_t>(f.height) : static_cast<uint32_t>(f.height);
    const uint8_t* table = dib + f.headerSize;
    const uint8_t* rows = table + GetDibColorTableSize(dib);
    uint32_t entry = core ? 3 : 4;
    bool fields = f.compression == kBitFields;
    uint32_t red = fields ? Read32(dib + 40) : f.bitCount == 16 ? kRed555 : 0xFF0000;
    uint32_t green = fields ? Read32(dib + 44) : f.bitCount == 16 ? kGreen555 : 0xFF00;
    uint32_t blue = fields ? Read32(dib + 48) : f.bitCount == 16 ? kBlue555 : 0xFF;
    size_t stride = (size_t{w} * f.bitCount + 31) / 32 * 4;
    uint32_t shownWidth = w < roomWidth ? w : roomWidth, shown = h < roomHeight ? h : roomHeight;
    rgba->assign(size_t{shownWidth} * shown * 4, 0);
    for (uint32_t y = h - shown; y < h; ++y) {
        const uint8_t* row = rows + (topDown ? y : h - 1 - y) * stride;
        uint8_t* out = rgba->data() + size_t{y - (h - shown)} * shownWidth * 4;
        for (uint32_t x = 0; x < shownWidth; ++x, out += 4) {
            uint32_t bit = x * f.bitCount;
            if (f.bitCount <= 8) {
                uint32_t index =
                    row[bit / 8] >> (8 - f.bitCount - bit % 8) & ((1u << f.bitCount) - 1);
                const uint8_t* colour = index < f.colours ? table + index * entry : nullptr;
                out[0] = colour ? colour[2] : 0;
                out[1] = colour ? colour[1] : 0;
                out[2] = colour ? colour[0] : 0;
            } else {
                const uint8_t* p = row + bit / 8;
                uint32_t pixel = f.bitCount == 16   ? Read16(p)
                                 : f.bitCount == 24 ? p[0] | p[1] << 8 | p[2] << 16
                                                    : Read32(p);
                out[0] = Field(pixel, red);
                out[1] = Field(pixel, green);
                out[2] = Field(pixel, blue);
            }
            out[3] = out[0] | out[1] | out[2] ? 255 : 0;
        }
    }
    *width = shownWidth;
    *height = shown;
    return true;
}
