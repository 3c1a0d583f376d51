#include "tools/core/picture_decode.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <new>

#include "render/dib.h"
#include "tools/core/picture.h"
#include "tools/core/texts.h"

// Only the two formats, from memory, on the same plain C code on every build: no SIMD, whose
// presence differs between the 64-bit and the 32-bit tool, so both give the same pixels.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
// Only a backstop: above our own limit, so that ours, and its reason, comes first.
#define STBI_MAX_DIMENSIONS (2 * kMaxPictureSide)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "tools/core/exif.h"
#include "tools/core/picture_damage.h"
#include "tools/core/png_rows.h"

// The decoder's short words for what went wrong, said as an author would understand it. A
// file cut short was told before decoding.
static std::string DecoderFailure(const char* kind, const char* failure) {
    static const char* const kUnread[] = {"1/2/4/8/16-bit only", "only 8-bit",
                                          "no header height",    "bad interlace method",
                                          "bad comp method",     "bad filter method"};
    std::string said = failure ? failure : "";
    for (const char* word : kUnread)
        if (said == word)
            return Say(Text::kPictureKindUnread, {kind});
    if (said == "outofmem" || said == "too large")
        return Say(Text::kPictureOutOfMemory);
    return Say(Text::kPictureDataDamaged, {kind});
}

namespace {

// The IDAT data as one stream, copied a window at a time for the decoder's inflate, which
// wants its input in one piece.
class PngStream {
public:
    explicit PngStream(const PngChunks& png) : png_(png) {}
    // At least `ahead` bytes from `from` (a place in what was given), or all that is left.
    void Window(uint64_t from, size_t ahead) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + (from - start_));
        start_ = from;
        while (bytes_.size() < ahead && chunk_ < png_.data.size()) {
            const auto& [data, size] = png_.data[chunk_];
            size_t take = std::min<size_t>(size - taken_, ahead - bytes_.size());
            bytes_.insert(bytes_.end(), data + taken_, data + taken_ + take);
            taken_ += take;
            if (taken_ == size)
                ++chunk_, taken_ = 0;
        }
    }
    bool AllGiven() const { return chunk_ == png_.data.size(); }
    uint8_t* Begin() { return bytes_.data(); }
    uint8_t* End() { return bytes_.data() + bytes_.size(); }
    uint64_t Start() const { return start_; }

private:
    const PngChunks& png_;
    std::vector<uint8_t> bytes_;
    uint64_t start_ = 0;
    size_t chunk_ = 0;
    uint32_t taken_ = 0;
};

// The decoder's inflate, driven a deflate block at a time over a window of the input and
// handing each block's output to the rows. It answers as the decoder's whole-stream inflate:
// a block that reads past the window is read again with more of the stream, and the last
// 32 KiB of output, as far back as a block may refer, stay in front of the next block.
bool InflateRows(const PngChunks& png, PngRows* rows) {
    constexpr size_t kHistory = 32768, kStart = 1 << 20;
    PngStream in(png);
    size_t ahead = kStart;
    in.Window(0, ahead);
    stbi__zbuf z;
    z.zbuffer = in.Begin();
    z.zbuffer_end = in.End();
    // A small picture's rows whole (the inflater grows this when they do not fit), a large
    // one's a MiB at a time.
    const size_t room = static_cast<size_t>(std::min<uint64_t>(
        kStart, (uint64_t{png.width} * png.channels * png.depth / 8 + 2) * png.height));
    z.zout_start = z.zout = static_cast<char*>(STBI_MALLOC(room));
    if (!z.zout_start)
        return stbi__err("outofmem", "Out of memory");
    z.zout_end = z.zout_start + room;
    z.z_expandable = 1;
    struct Release {
        stbi__zbuf* z;
        ~Release() { STBI_FREE(z->zout_start); }
    } release{&z};
    if (!png.rawDeflate && !stbi__parse_zlib_header(&z))
        return false;
    z.num_bits = 0;
    z.code_buffer = 0;
    for (size_t handed = 0;;) {
        in.Window(in.Start() + (z.zbuffer - in.Begin()), ahead);
        z.zbuffer = in.Begin();
        z.zbuffer_end = in.End();
        const stbi__zbuf before = z;
        const int final = stbi__zreceive(&z, 1), type = stbi__zreceive(&z, 2);
        int read = 0;
        if (type == 0)
            read = stbi__parse_uncompressed_block(&z);
        else if (type == 3)
            read = stbi__err("bad block type", "Corrupt PNG");
        else if (type == 1)
            read = stbi__zbuild_huffman(&z.z_length, stbi__zdefault_length, STBI__ZNSYMS) &&
                   stbi__zbuild_huffman(&z.z_distance, stbi__zdefault_distance, 32) &&
                   stbi__parse_huffman_block(&z);
        else
            read = stbi__compute_huffman_codes(&z) && stbi__parse_huffman_block(&z);
        if (!in.AllGiven() && (!read || z.zbuffer >= z.zbuffer_end)) {
            char *start = z.zout_start, *end = z.zout_end;
            z = before;
            z.zout = start + (before.zout - before.zout_start);
            z.zout_start = start;
            z.zout_end = end;
            ahead *= 2;
            continue;
        }
        if (!read)
            return false;
        size_t made = z.zout - z.zout_start, used;
        const uint8_t* out = reinterpret_cast<uint8_t*>(z.zout_start);
        if (const char* refused = rows->Take(out + handed, made - handed, &used))
            return stbi__err(refused, "Corrupt PNG");
        handed += used;
        if (final)
            break;
        const size_t drop = std::min(handed, made > kHistory ? made - kHistory : 0);
        if (drop >= size_t(z.zout_end - z.zout_start) / 2) {
            memmove(z.zout_start, z.zout_start + drop, made - drop);
            z.zout -= drop;
            handed -= drop;
        }
    }
    return rows->Done() || stbi__err("not enough pixels", "Corrupt PNG");
}

bool DecodePng(const uint8_t* file, size_t length, std::vector<uint8_t>* dib) {
    PngChunks png;
    if (const char* refused = ReadPngChunks(file, length, STBI_MAX_DIMENSIONS, &png))
        return stbi__err(refused, "Corrupt PNG");
    const size_t stride = StartPackedDib(png.width, png.height, dib);
    PngRows rows(png, dib->data() + kInfoHeaderSize, stride);
    return InflateRows(png, &rows);
}

// Where the stored pixel (x, y) of a `width` x `height` JPEG stands once turned as its Exif
// orientation says: the inverse of StoredPixelOf.
void ShownPixelOf(int orientation, uint32_t width, uint32_t height, uint32_t x, uint32_t y,
                  uint32_t* shownX, uint32_t* shownY) {
    const uint32_t right = width - 1, bottom = height - 1;
    switch (orientation) {
        case 2:
            *shownX = right - x, *shownY = y;
            break;
        case 3:
            *shownX = right - x, *shownY = bottom - y;
            break;
        case 4:
            *shownX = x, *shownY = bottom - y;
            break;
        case 5:
            *shownX = y, *shownY = x;
            break;
        case 6:
            *shownX = bottom - y, *shownY = x;
            break;
        case 7:
            *shownX = bottom - y, *shownY = right - x;
            break;
        case 8:
            *shownX = y, *shownY = right - x;
            break;
        default:
            *shownX = x, *shownY = y;
    }
}

// The decoder's JPEG loader for four channels, its resampling and colour conversion the same,
// but each row goes into the DIB as it is made instead of into an RGBA copy of the picture.
// What stays is the decoder's planes of the components, and the DIB.
bool DecodeJpeg(const uint8_t* file, size_t length, std::vector<uint8_t>* dib) {
    stbi__context s;
    stbi__start_mem(&s, file, static_cast<int>(length));
    struct Jpeg {
        stbi__jpeg* z = static_cast<stbi__jpeg*>(STBI_MALLOC(sizeof(stbi__jpeg)));
        ~Jpeg() {
            if (z && z->s)
                stbi__cleanup_jpeg(z);
            STBI_FREE(z);
        }
    } jpeg;
    stbi__jpeg* z = jpeg.z;
    if (!z)
        return stbi__err("outofmem", "Out of memory");
    z->s = nullptr;
    if (!stbi__jpeg_test(&s))
        return stbi__err("unknown image type", "Image not of any known type, or corrupt");
    z->s = &s;
    stbi__setup_jpeg(z);
    s.img_n = 0;  // so that the clean-up frees nothing before the components exist
    if (!stbi__decode_jpeg_image(z))
        return false;
    const int n = s.img_n;
    // A progressive file's coefficients have become the planes by now: only those are read
    // from here on, so they go before the DIB comes.
    for (int k = 0; k < n; ++k) {
        STBI_FREE(z->img_comp[k].raw_coeff);
        z->img_comp[k].raw_coeff = nullptr;
        z->img_comp[k].coeff = nullptr;
    }
    const bool rgb = n == 3 && (z->rgb == 3 || (z->app14_color_transform == 0 && !z->jfif));
    const uint32_t width = s.img_x, height = s.img_y;
    const int orientation = ReadJpegOrientation(file, length);
    const bool quarter = TurnsAQuarter(orientation);
    const uint32_t shownHeight = quarter ? width : height;
    const size_t stride = StartPackedDib(quarter ? height : width, shownHeight, dib);
    uint8_t* pixels = dib->data() + kInfoHeaderSize;
    stbi__resample res[4];
    for (int k = 0; k < n; ++k) {
        stbi__resample* r = &res[k];
        z->img_comp[k].linebuf = static_cast<stbi_uc*>(stbi__malloc(width + 3));
        if (!z->img_comp[k].linebuf)
            return stbi__err("outofmem", "Out of memory");
        r->hs = z->img_h_max / z->img_comp[k].h;
        r->vs = z->img_v_max / z->img_comp[k].v;
        r->ystep = r->vs >> 1;
        r->w_lores = (width + r->hs - 1) / r->hs;
        r->ypos = 0;
        r->line0 = r->line1 = z->img_comp[k].data;
        r->resample = r->hs == 1 && r->vs == 1   ? resample_row_1
                      : r->hs == 1 && r->vs == 2 ? stbi__resample_row_v_2
                      : r->hs == 2 && r->vs == 1 ? stbi__resample_row_h_2
                      : r->hs == 2 && r->vs == 2 ? z->resample_row_hv_2_kernel
                                                 : stbi__resample_row_generic;
    }
    std::vector<uint8_t> row(size_t{width} * 4);
    stbi_uc* c[4] = {};
    for (uint32_t j = 0; j < height; ++j) {
        for (int k = 0; k < n; ++k) {
            stbi__resample* r = &res[k];
            const bool bottom = r->ystep >= (r->vs >> 1);
            c[k] = r->resample(z->img_comp[k].linebuf, bottom ? r->line1 : r->line0,
                               bottom ? r->line0 : r->line1, r->w_lores, r->hs);
            if (++r->ystep >= r->vs) {
                r->ystep = 0;
                r->line0 = r->line1;
                if (++r->ypos < z->img_comp[k].y)
                    r->line1 += z->img_comp[k].w2;
            }
        }
        uint8_t* out = row.data();
        if (n == 3 && !rgb) {
            z->YCbCr_to_RGB_kernel(out, c[0], c[1], c[2], static_cast<int>(width), 4);
        } else if (n == 4 && z->app14_color_transform != 0) {
            z->YCbCr_to_RGB_kernel(out, c[0], c[1], c[2], static_cast<int>(width), 4);
            if (z->app14_color_transform == 2)  // YCCK
                for (uint32_t i = 0; i < width; ++i)
                    for (int k = 0; k < 3; ++k)
                        out[4 * i + k] = stbi__blinn_8x8(255 - out[4 * i + k], c[3][i]);
        } else {
            for (uint32_t i = 0; i < width; ++i) {
                const bool grey = n < 3, cmyk = n == 4;
                for (int k = 0; k < 3; ++k) {
                    const uint8_t v = c[grey ? 0 : k][i];
                    out[4 * i + k] = cmyk ? stbi__blinn_8x8(v, c[3][i]) : v;
                }
                out[4 * i + 3] = 255;
            }
        }
        for (uint32_t i = 0; i < width; ++i) {
            uint32_t x, y;
            ShownPixelOf(orientation, width, height, i, j, &x, &y);
            PutDibPixel(pixels + (shownHeight - 1 - y) * stride + size_t{x} * 3, out + 4 * i);
        }
    }
    return true;
}

}  // namespace

bool DecodePngOrJpeg(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                     std::string* reason) {
    static_assert(kMaxPictureFileSize <= INT_MAX, "the decoder counts bytes in an int");
    if (!IsPictureUndamaged(file, length, reason))
        return false;
    int w, h, channels;
    // The size first, so a huge picture is refused by the same rule as a huge BMP before any
    // pixel is decoded.
    if (stbi_info_from_memory(file, static_cast<int>(length), &w, &h, &channels) &&
        !IsPictureSizeTaken(static_cast<uint32_t>(w), static_cast<uint32_t>(h), reason))
        return false;
    const bool png = file[0] == 0x89;
    bool decoded = false;
#if __cpp_exceptions
    try {
        decoded = png ? DecodePng(file, length, dib) : DecodeJpeg(file, length, dib);
    } catch (const std::bad_alloc&) {
        stbi__err("outofmem", "Out of memory");
    }
#else
    // The page's WebAssembly build has no exceptions: there a failed allocation stops the
    // module, and the page reports it.
    decoded = png ? DecodePng(file, length, dib) : DecodeJpeg(file, length, dib);
#endif
    if (!decoded)
        *reason = DecoderFailure(png ? "PNG" : "JPEG", stbi_failure_reason());
    return decoded;
}

bool DecodeWholePicture(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                        std::string* reason) {
    int w, h, channels;
    stbi_uc* pixels = stbi_load_from_memory(file, static_cast<int>(length), &w, &h, &channels, 4);
    if (!pixels) {
        *reason = DecoderFailure(file[0] == 0x89 ? "PNG" : "JPEG", stbi_failure_reason());
        return false;
    }
    // Straight from the decoder's buffer: a copy would double the largest block of memory.
    bool converted = true;
#if __cpp_exceptions
    try {
        RgbaToPackedDib(pixels, static_cast<uint32_t>(w), static_cast<uint32_t>(h), dib,
                        ReadJpegOrientation(file, length));
    } catch (const std::bad_alloc&) {
        *reason = Say(Text::kPictureOutOfMemory);
        converted = false;
    }
#else
    RgbaToPackedDib(pixels, static_cast<uint32_t>(w), static_cast<uint32_t>(h), dib,
                    ReadJpegOrientation(file, length));
#endif
    stbi_image_free(pixels);
    return converted;
}
