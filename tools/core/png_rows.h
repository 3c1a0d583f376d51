#pragma once
// A PNG as the decoder reads it, without the decoder's buffers the size of the picture: its
// chunks walked in place, and its inflated rows unfiltered and turned into RGBA exactly as the
// decoder's own loader turns them, one at a time, straight into a packed DIB. The decoder's
// words for what it refuses come back as they are; picture_decode.cpp inflates.

#include <stddef.h>
#include <stdint.h>

#include <utility>
#include <vector>

class ByteSource;

// What a PNG's chunks say, walked as the decoder walks them and refused for the same words;
// the compressed pixels stay where they are in the file.
struct PngChunks {
    uint32_t width = 0, height = 0;
    int depth = 0, color = 0, interlace = 0;
    int channels = 0;         // stored per pixel: 1 for a palette index
    int paletteChannels = 0;  // 3, or 4 once tRNS gives the palette alpha; 0 without a palette
    bool rawDeflate = false;  // CgBI: no zlib header
    bool keyed = false;       // tRNS names one colour as transparent
    uint8_t key[3] = {};
    uint16_t key16[3] = {};
    // Zeroed: the decoder reads an index past the palette from its own uninitialised stack, so
    // the tool and the page drew different garbage; here such a pixel is clear black.
    uint8_t palette[256 * 4] = {};
    uint32_t paletteLength = 0;
    const ByteSource* file = nullptr;
    std::vector<std::pair<uint64_t, uint32_t>> data;  // where the IDAT payloads lie in `file`
    uint64_t dataLength = 0;
};

// The chunks up to IEND, or the decoder's word for the first thing it refuses. A side longer
// than `largest` is refused as the decoder refuses it. Only the small chunks that describe the
// pixels are read; `file` must outlive `png`.
const char* ReadPngChunks(const ByteSource& file, uint32_t largest, PngChunks* png);

// The inflated rows of every pass, unfiltered against the row above, turned into RGBA the way
// the decoder's own loader turns them and put straight into the DIB: nothing the size of the
// picture is held but the DIB.
class PngRows {
public:
    PngRows(const PngChunks& png, uint8_t* pixels, size_t stride)
        : png_(png), pixels_(pixels), stride_(stride), pass_(png.interlace ? 0 : 7) {
        StartPass();
    }
    bool Done() const { return pass_ > 7; }
    // Takes the whole rows at the start of [data, data + length) and says how many bytes they
    // held; all of it once the picture is complete. The decoder's word for a row it refuses.
    const char* Take(const uint8_t* data, size_t length, size_t* used);

private:
    void StartPass();
    void PutRow(const uint8_t* row);

    const PngChunks& png_;
    uint8_t* pixels_;
    size_t stride_;
    int pass_;
    uint32_t columns_ = 0, rows_ = 0, row_ = 0;
    size_t rowBytes_ = 0;
    std::vector<uint8_t> prior_, current_;
};
