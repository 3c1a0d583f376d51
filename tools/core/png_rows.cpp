#include "tools/core/png_rows.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "tools/core/byte_source.h"
#include "tools/core/picture.h"

namespace {

// A grey sample below 8 bits to 0..255, and a tRNS grey with it, as the decoder scales them.
constexpr uint8_t kDepthScale[9] = {0, 0xFF, 0x55, 0, 0x11, 0, 0, 0, 0x01};

uint32_t Big32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

constexpr uint32_t PngType(const char (&name)[5]) {
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
           uint32_t(uint8_t(name[2])) << 8 | uint8_t(name[3]);
}

}  // namespace

const char* ReadPngChunks(const ByteSource& file, uint32_t largest, PngChunks* png) {
    png->file = &file;
    const uint64_t length = file.Size();
    bool first = true;
    uint8_t head[8], p[256 * 3];  // the largest body read: a whole palette
    for (uint64_t at = 8;; at += 12 + uint64_t{Big32(head)}) {
        if (length < at || length - at < 12 || !file.Read(at, 8, head) ||
            Big32(head) > length - at - 12)
            return "outofdata";
        const uint32_t size = Big32(head), type = Big32(head + 4);
        // A larger IHDR, PLTE or tRNS is refused below before its body would be looked at.
        const bool described =
            type == PngType("IHDR") || type == PngType("PLTE") || type == PngType("tRNS");
        if (described && size <= sizeof p && !file.Read(at + 8, size, p))
            return "outofdata";
        if (first && type != PngType("IHDR") && type != PngType("CgBI"))
            return "first not IHDR";
        switch (type) {
            case PngType("CgBI"):
                png->rawDeflate = true;
                break;
            case PngType("IHDR"): {
                if (!first)
                    return "multiple IHDR";
                first = false;
                if (size != 13)
                    return "bad IHDR len";
                png->width = Big32(p);
                png->height = Big32(p + 4);
                if (png->width > largest || png->height > largest)
                    return "too large";
                png->depth = p[8];
                png->color = p[9];
                if (png->depth != 1 && png->depth != 2 && png->depth != 4 && png->depth != 8 &&
                    png->depth != 16)
                    return "1/2/4/8/16-bit only";
                if (png->color > 6 || (png->color == 3 && png->depth == 16) ||
                    (png->color != 3 && (png->color & 1)))
                    return "bad ctype";
                png->paletteChannels = png->color == 3 ? 3 : 0;
                if (p[10])
                    return "bad comp method";
                if (p[11])
                    return "bad filter method";
                png->interlace = p[12];
                if (png->interlace > 1)
                    return "bad interlace method";
                if (!png->width || !png->height)
                    return "0-pixel image";
                png->channels =
                    png->paletteChannels ? 1 : (png->color & 2 ? 3 : 1) + (png->color & 4 ? 1 : 0);
                if ((1u << 30) / png->width / (png->paletteChannels ? 4 : png->channels) <
                    png->height)
                    return "too large";
                break;
            }
            case PngType("PLTE"):
                if (size > 256 * 3 || size % 3 != 0)
                    return "invalid PLTE";
                png->paletteLength = size / 3;
                for (uint32_t i = 0; i < png->paletteLength; ++i) {
                    memcpy(png->palette + i * 4, p + i * 3, 3);
                    png->palette[i * 4 + 3] = 255;
                }
                break;
            case PngType("tRNS"):
                if (png->dataLength > 0)
                    return "tRNS after IDAT";
                if (png->paletteChannels) {
                    if (png->paletteLength == 0)
                        return "tRNS before PLTE";
                    if (size > png->paletteLength)
                        return "bad tRNS len";
                    png->paletteChannels = 4;
                    for (uint32_t i = 0; i < size; ++i)
                        png->palette[i * 4 + 3] = p[i];
                    break;
                }
                if (!(png->channels & 1))
                    return "tRNS with alpha";
                if (size != uint32_t(png->channels) * 2)
                    return "bad tRNS len";
                png->keyed = true;
                // As the decoder keeps it: a grey below 8 bits scaled as its pixels are.
                for (int k = 0; k < png->channels; ++k) {
                    png->key16[k] = uint16_t(p[2 * k] << 8 | p[2 * k + 1]);
                    if (png->depth < 16)
                        png->key[k] = uint8_t(p[2 * k + 1] * kDepthScale[png->depth]);
                }
                break;
            case PngType("IDAT"):
                if (png->paletteChannels && !png->paletteLength)
                    return "no PLTE";
                png->data.emplace_back(at + 8, size);
                png->dataLength += size;
                break;
            case PngType("IEND"):
                return png->dataLength > 0 ? nullptr : "no IDAT";
            default:
                if (!(type & 1u << 29))  // a critical chunk it does not know
                    return "PNG chunk not known";
        }
    }
}

namespace {

// Adam7's passes, then the whole picture at once as the eighth for one that is not interlaced.
constexpr int kFirstX[] = {0, 4, 0, 2, 0, 1, 0, 0}, kFirstY[] = {0, 0, 4, 0, 2, 0, 1, 0};
constexpr int kStepX[] = {8, 8, 4, 4, 2, 2, 1, 1}, kStepY[] = {8, 8, 8, 4, 4, 2, 2, 1};

int Paeth(int a, int b, int c) {
    int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

}  // namespace

void PngRows::StartPass() {
    for (; pass_ <= 7; pass_ += png_.interlace ? 1 : 8) {
        if (pass_ == 7 && png_.interlace)
            continue;
        columns_ =
            uint32_t((int64_t{png_.width} - kFirstX[pass_] + kStepX[pass_] - 1) / kStepX[pass_]);
        rows_ =
            uint32_t((int64_t{png_.height} - kFirstY[pass_] + kStepY[pass_] - 1) / kStepY[pass_]);
        if (columns_ && rows_)
            break;
    }
    if (pass_ > 7)
        return;
    row_ = 0;
    rowBytes_ = (size_t{columns_} * png_.channels * png_.depth + 7) / 8;
    prior_.assign(rowBytes_, 0);  // the first row of a pass has none above it
    current_.resize(rowBytes_);
}

const char* PngRows::Take(const uint8_t* data, size_t length, size_t* used) {
    for (*used = 0; !Done() && length - *used >= 1 + rowBytes_;) {
        const uint8_t filter = data[*used], *raw = data + *used + 1;
        *used += 1 + rowBytes_;
        if (filter > 4)
            return "invalid filter";
        if (png_.depth < 8 && rowBytes_ > columns_)
            return "invalid width";
        const size_t left = png_.depth < 8 ? 1 : size_t(png_.channels) * png_.depth / 8;
        uint8_t* cur = current_.data();
        const uint8_t* up = prior_.data();
        // The bytes before the first pixel's count as zero: the first `left` bytes apart.
        const size_t first = std::min(left, rowBytes_);
        switch (filter) {
            case 0:
                memcpy(cur, raw, rowBytes_);
                break;
            case 1:
                memcpy(cur, raw, first);
                for (size_t i = first; i < rowBytes_; ++i)
                    cur[i] = uint8_t(raw[i] + cur[i - left]);
                break;
            case 2:
                for (size_t i = 0; i < rowBytes_; ++i)
                    cur[i] = uint8_t(raw[i] + up[i]);
                break;
            case 3:
                for (size_t i = 0; i < first; ++i)
                    cur[i] = uint8_t(raw[i] + (up[i] >> 1));
                for (size_t i = first; i < rowBytes_; ++i)
                    cur[i] = uint8_t(raw[i] + ((cur[i - left] + up[i]) >> 1));
                break;
            default:
                for (size_t i = 0; i < first; ++i)
                    cur[i] = uint8_t(raw[i] + up[i]);  // Paeth(0, up, 0) is up
                for (size_t i = first; i < rowBytes_; ++i)
                    cur[i] = uint8_t(raw[i] + Paeth(cur[i - left], up[i], up[i - left]));
        }
        PutRow(cur);
        prior_.swap(current_);
        if (++row_ == rows_) {
            pass_ += png_.interlace ? 1 : 8;
            StartPass();
        }
    }
    if (Done())
        *used = length;
    return nullptr;
}

void PngRows::PutRow(const uint8_t* row) {
    const int depth = png_.depth, n = png_.channels;
    const uint8_t scale = png_.color == 0 && depth < 8 ? kDepthScale[depth] : 1;
    const uint32_t y = kFirstY[pass_] + row_ * kStepY[pass_];
    uint8_t* line = pixels_ + (png_.height - 1 - y) * stride_;
    if (depth >= 8 && !png_.paletteChannels && !png_.keyed) {
        // Most pictures: whole bytes, no palette, no colour key; of 16 bits the high byte.
        const int bytes = depth / 8, grey = n <= 2 ? 0 : 1;
        const uint8_t* p = row;
        for (uint32_t i = 0; i < columns_; ++i, p += n * bytes) {
            const uint8_t rgba[4] = {p[0], p[grey * bytes], p[grey * 2 * bytes],
                                     n % 2 == 0 ? p[(n - 1) * bytes] : uint8_t(255)};
            PutDibPixel(line + (kFirstX[pass_] + size_t{i} * kStepX[pass_]) * 3, rgba);
        }
        return;
    }
    for (uint32_t i = 0; i < columns_; ++i) {
        uint16_t sample[4] = {};
        for (int k = 0; k < n; ++k) {
            const size_t s = size_t{i} * n + k;
            if (depth == 16)
                sample[k] = uint16_t(row[2 * s] << 8 | row[2 * s + 1]);
            else if (depth == 8)
                sample[k] = row[s];
            else  // packed from the high bits down
                sample[k] = uint8_t(scale * ((row[s * depth / 8] >> (8 - depth - s * depth % 8)) &
                                             ((1 << depth) - 1)));
        }
        uint8_t rgba[4];
        if (png_.paletteChannels) {
            memcpy(rgba, png_.palette + sample[0] * 4, 4);
        } else {
            uint8_t v[4] = {};
            for (int k = 0; k < n; ++k)
                v[k] = uint8_t(depth == 16 ? sample[k] >> 8 : sample[k]);
            const bool grey = n <= 2;
            rgba[0] = v[0];
            rgba[1] = grey ? v[0] : v[1];
            rgba[2] = grey ? v[0] : v[2];
            rgba[3] = n == 2 ? v[1] : n == 4 ? v[3] : 255;
            if (png_.keyed) {
                bool match = true;
                for (int k = 0; k < n; ++k)
                    match = match &&
                            (depth == 16 ? sample[k] == png_.key16[k] : sample[k] == png_.key[k]);
                rgba[3] = match ? 0 : 255;
            }
        }
        PutDibPixel(line + (kFirstX[pass_] + size_t{i} * kStepX[pass_]) * 3, rgba);
    }
}
