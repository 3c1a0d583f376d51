#include "tools/core/picture_decode.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <type_traits>

#include "render/dib.h"
#include "tools/core/byte_source.h"
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
#include "tools/core/jpeg_scans.h"
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

// The IDAT data as one stream, read a window at a time for the decoder's inflate, which
// wants its input in one piece.
class PngStream {
public:
    explicit PngStream(const PngChunks& png) : png_(png) {}
    // At least `ahead` bytes from `from` (a place in what was given), or all that is left.
    void Window(uint64_t from, size_t ahead) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + (from - start_));
        start_ = from;
        while (bytes_.size() < ahead && chunk_ < png_.data.size()) {
            const auto& [at, size] = png_.data[chunk_];
            const size_t take = std::min<size_t>(size - taken_, ahead - bytes_.size()),
                         had = bytes_.size();
            bytes_.resize(had + take);
            if (!png_.file->Read(at + taken_, take, bytes_.data() + had)) {
                // Unreadable: the stream ends here, and the inflate says the data is short.
                bytes_.resize(had);
                chunk_ = png_.data.size();
                break;
            }
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

bool DecodePng(const ByteSource& file, std::vector<uint8_t>* dib) {
    PngChunks png;
    if (const char* refused = ReadPngChunks(file, STBI_MAX_DIMENSIONS, &png))
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

using JpegComponent = std::remove_extent_t<decltype(stbi__jpeg::img_comp)>;

// A file the decoder reads through its callbacks, from wherever it lies: the tools decode a
// JPEG without holding it. Past the end, or where the file cannot be read, the decoder sees the
// end of the file, as from memory; `failed` tells the second apart.
struct SourceReader {
    const ByteSource* file;
    bool* failed;
    uint64_t at = 0;

    static int Read(void* user, char* data, int size) {
        SourceReader* r = static_cast<SourceReader*>(user);
        const size_t n = static_cast<size_t>(std::min<uint64_t>(r->file->Size() - r->at, size));
        if (n && !r->file->Read(r->at, n, reinterpret_cast<uint8_t*>(data))) {
            r->at = r->file->Size();  // so that the decoder sees the end, not more to come
            return *r->failed = true, 0;
        }
        r->at += n;
        return static_cast<int>(n);
    }
    static void Skip(void* user, int n) {  // never back: the decoder does not ask for it
        SourceReader* r = static_cast<SourceReader*>(user);
        r->at += std::min<uint64_t>(r->file->Size() - r->at, n > 0 ? n : 0);
    }
    static int AtEnd(void* user) {
        const SourceReader* r = static_cast<SourceReader*>(user);
        return r->at >= r->file->Size();
    }
    void Start(stbi__context* s) {
        static stbi_io_callbacks io = {Read, Skip, AtEnd};
        at = 0;
        stbi__start_callbacks(s, &io, this);
    }
};

// Where the decoder reading through `s` stands in its file.
uint64_t PlaceOf(const stbi__context* s) {
    return static_cast<const SourceReader*>(s->io_user_data)->at -
           static_cast<uint64_t>(s->img_buffer_end - s->img_buffer);
}

// Skips a segment's body of `n` bytes as the decoder does from memory, where a length short of
// its own two bytes sends it to the end of the file.
void SkipBody(stbi__context* s, int n) {
    if (n >= 0)
        return stbi__skip(s, n);
    SourceReader* r = static_cast<SourceReader*>(s->io_user_data);
    r->at = r->file->Size();
    s->img_buffer = s->img_buffer_end;
}

// A DNL segment, checked as the decoder checks it.
bool ReadDnl(stbi__jpeg* z) {
    const int length = stbi__get16be(z->s);
    const uint32_t height = stbi__get16be(z->s);
    if (length != 4)
        return stbi__err("bad DNL len", "Corrupt JPEG");
    return height == z->s->img_y || stbi__err("bad DNL height", "Corrupt JPEG");
}

// The decoder's handling of a marker after the frame, but a table it would write past the end
// of its own is refused first.
bool ProcessMarker(stbi__jpeg* z, int m) {
    const stbi__context* s = z->s;
    if (m == 0xC4) {
        // A DHT segment and what can follow it in its last table: less than 128 KiB.
        const SourceReader* r = static_cast<const SourceReader*>(s->io_user_data);
        const uint64_t at = PlaceOf(s);
        const size_t n =
            s->read_from_callbacks
                ? static_cast<size_t>(std::min<uint64_t>(r->file->Size() - at, 1 << 17))
                : 0;
        std::vector<uint8_t> segment(n + 1);
        if (n && !r->file->Read(at, n, segment.data()))
            return *r->failed = true, stbi__err("outofdata", "Corrupt JPEG");
        if (!DhtTablesFit(segment.data(), n))
            return stbi__err("bad DHT header", "Corrupt JPEG");
    }
    return stbi__process_marker(z, m);
}

// A JPEG's component planes a band of MCU rows at a time, and the last rows of the band before,
// which resampling still looks at; the decoder would hold them whole, and a progressive file's
// coefficients too. A file of one sequential scan is decoded on from where the last band ended;
// any other has each band decoded by a pass over all its scans with the decoder's own block
// functions, blocks outside the band going to a scratch block. A progressive refinement spends
// a bit on each coefficient already nonzero, so for those blocks a bitmap carries that.
class JpegBands {
public:
    // Right after the frame header, whose whole-picture buffers go before they are touched.
    // A band holds `budget` bytes of coefficients, or one MCU row if that is more.
    static constexpr size_t kOnwardBandBytes = size_t{1} << 20;
    bool Start(stbi__jpeg* z, size_t budget) {
        z_ = z;
        size_t row = 0;
        for (int n = 0; n < Count(); ++n) {
            JpegComponent& c = z->img_comp[n];
            STBI_FREE(c.raw_data);
            STBI_FREE(c.raw_coeff);
            c.raw_data = c.raw_coeff = nullptr;
            c.data = nullptr;
            c.coeff = nullptr;
            row += size_t{64} * sizeof(short) * c.v * (c.w2 / 8);
        }
        // Up to the first scan: the one scan of a sequential file is read on band by band.
        int m = stbi__get_marker(z);
        for (; !stbi__SOS(m); m = stbi__get_marker(z))
            if (stbi__EOI(m) || !ProcessMarker(z, m))
                return false;
        if (!stbi__process_scan_header(z))
            return false;
        onward_ = !z->progressive && z->scan_n == Count();
        // Read on in one go, a band costs no pass of its own: a small one leaves the memory to
        // the file, which is held whole.
        const size_t bytes = onward_ ? std::min(budget, kOnwardBandBytes) : budget;
        rows_ = static_cast<int>(std::min<size_t>(std::max<size_t>(bytes / row, 1), z->img_mcu_y));
        for (int n = 0; n < Count(); ++n) {
            const JpegComponent& c = z->img_comp[n];
            planes_[n].resize(size_t(c.w2) * (kAbove + 8 * c.v * rows_));
        }
        if (onward_)
            return stbi__jpeg_reset(z), true;
        for (int n = 0; n < Count(); ++n) {
            const JpegComponent& c = z->img_comp[n];
            store_[n].resize(size_t{64} * (c.w2 / 8) * c.v * rows_);
            if (z->progressive)
                nonzero_[n].resize(size_t((c.w2 / 8)) * (c.h2 / 8));
        }
        return true;
    }
    // The next band, the first at the first call.
    bool Fill() {
        for (int n = 0; first_ >= 0 && n < Count(); ++n) {
            const JpegComponent& c = z_->img_comp[n];
            memcpy(planes_[n].data(), Row(n, End(n) - kAbove), size_t(c.w2) * kAbove);
        }
        first_ = first_ < 0 ? 0 : first_ + rows_;
        if (onward_)
            return Scan(first_, first_ + rows_);
        if (!Pass())
            return false;
        for (int n = 0; n < Count(); ++n) {
            const JpegComponent& c = z_->img_comp[n];
            const int across = (c.x + 7) >> 3, down = (c.y + 7) >> 3;
            for (int y = first_ * c.v; y < std::min(down, (first_ + rows_) * c.v); ++y)
                for (int x = 0; x < across; ++x) {
                    short* data = Stored(n, x, y);
                    if (z_->progressive)
                        stbi__jpeg_dequantize(data, z_->dequant[c.tq]);
                    z_->idct_block_kernel(Row(n, 8 * y) + 8 * x, c.w2, data);
                }
        }
        return true;
    }
    bool Last() const { return first_ + rows_ >= z_->img_mcu_y; }
    // After the last band of a file read on, the rest of it as the decoder reads it after its
    // scan, up to the end marker, refused where the decoder refuses it; a second scan, which
    // the decoder would draw over the first, is refused too. A file read by passes has been.
    bool Finish() {
        if (!onward_)
            return true;
        while (!Last())
            if (!Fill())
                return false;
        while (z_->marker == STBI__MARKER_none && !stbi__at_eof(z_->s))
            if (stbi__get8(z_->s) == 0xFF) {
                z_->marker = stbi__get8(z_->s);
                break;
            }
        for (int m = stbi__get_marker(z_); !stbi__EOI(m); m = stbi__get_marker(z_))
            if (stbi__SOS(m) ? stbi__err("second scan", "Corrupt JPEG")
                             : !(stbi__DNL(m) ? ReadDnl(z_) : ProcessMarker(z_, m)))
                return false;
        return true;
    }
    // Rows [End(n) - 8 * v * Rows() - kAbove, End(n)) of component n are there.
    int End(int n) const { return (first_ + rows_) * 8 * z_->img_comp[n].v; }
    uint8_t* Row(int n, int r) {
        const JpegComponent& c = z_->img_comp[n];
        return planes_[n].data() + size_t(r - first_ * 8 * c.v + kAbove) * c.w2;
    }

private:
    static constexpr int kAbove = 8;  // more than the rows a component's resampling lags
    int Count() const { return z_->s->img_n; }
    short* Stored(int n, int x, int y) {
        const JpegComponent& c = z_->img_comp[n];
        return store_[n].data() + 64 * (x + size_t(y - first_ * c.v) * (c.w2 / 8));
    }
    // Every scan once more, from the start of the file, for the blocks of the band.
    bool Pass() {
        for (int n = 0; n < Count(); ++n) {
            std::fill(store_[n].begin(), store_[n].end(), short{0});
            std::fill(nonzero_[n].begin(), nonzero_[n].end(), uint64_t{0});
        }
        stbi__context s = *z_->s, *kept = z_->s;  // the frame's sizes stay
        SourceReader reader = *static_cast<SourceReader*>(kept->io_user_data);
        reader.Start(&s);
        z_->s = &s;
        z_->marker = STBI__MARKER_none;
        z_->restart_interval = 0;
        bool ok = stbi__SOI(stbi__get_marker(z_)), framed = false;
        for (int m = stbi__get_marker(z_); ok && !stbi__EOI(m); m = stbi__get_marker(z_)) {
            if (m == STBI__MARKER_none && !framed) {
                ok = !stbi__at_eof(z_->s);  // padding before the frame, as the header allows
            } else if (stbi__SOF(m)) {
                framed = true;
                SkipBody(z_->s, stbi__get16be(z_->s) - 2);
            } else if (stbi__SOS(m)) {
                ok = stbi__process_scan_header(z_) && (stbi__jpeg_reset(z_), Scan(0, INT_MAX));
                while (ok && z_->marker == STBI__MARKER_none && !stbi__at_eof(z_->s))
                    if (stbi__get8(z_->s) == 0xFF) {
                        z_->marker = stbi__get8(z_->s);
                        break;
                    }
            } else if (stbi__DNL(m)) {
                ok = ReadDnl(z_);
            } else {
                ok = ProcessMarker(z_, m);
            }
        }
        z_->s = kept;
        return ok;
    }
    // The decoder's own walk of a scan over MCU rows [from, to), each block where it belongs.
    bool Scan(int from, int to) {
        const bool alone = z_->scan_n == 1;
        const JpegComponent& only = z_->img_comp[z_->order[0]];
        const int across = alone ? (only.x + 7) >> 3 : z_->img_mcu_x;
        const int down = alone ? (only.y + 7) >> 3 : z_->img_mcu_y;
        const int step = alone ? only.v : 1;  // a lone component's block rows to an MCU row
        for (int j = from * step; j < std::min<int64_t>(int64_t{to} * step, down); ++j)
            for (int i = 0; i < across; ++i) {
                for (int k = 0; k < z_->scan_n; ++k) {
                    const int n = z_->order[k];
                    const JpegComponent& c = z_->img_comp[n];
                    const int h = alone ? 1 : c.h, v = alone ? 1 : c.v;
                    for (int y = 0; y < v; ++y)
                        for (int x = 0; x < h; ++x)
                            if (!DecodeBlock(n, i * h + x, j * v + y))
                                return false;
                }
                if (--z_->todo <= 0) {
                    if (z_->code_bits < 24)
                        stbi__grow_buffer_unsafe(z_);
                    if (!STBI__RESTART(z_->marker))
                        return true;
                    stbi__jpeg_reset(z_);
                }
            }
        return true;
    }
    bool DecodeBlock(int n, int x, int y) {
        const JpegComponent& c = z_->img_comp[n];
        const int row = y / c.v;
        const bool inside = !onward_ && row >= first_ && row < first_ + rows_;
        short* data = inside ? Stored(n, x, y) : scratch_;
        if (!z_->progressive) {
            if (!stbi__jpeg_decode_block(z_, data, z_->huff_dc + c.hd, z_->huff_ac + c.ha,
                                         z_->fast_ac[c.ha], n, z_->dequant[c.tq]))
                return false;
            if (onward_)
                z_->idct_block_kernel(Row(n, 8 * y) + 8 * x, c.w2, data);
            return true;
        }
        if (z_->spec_start == 0)
            return stbi__jpeg_decode_block_prog_dc(z_, data, &z_->huff_dc[c.hd], n);
        uint64_t& nonzero = nonzero_[n][x + size_t((c.w2 / 8)) * y];
        if (!inside) {
            memset(scratch_, 0, sizeof scratch_);
            for (int k = z_->spec_start; z_->succ_high && k <= z_->spec_end; ++k)
                scratch_[stbi__jpeg_dezigzag[k]] = nonzero >> k & 1;
        }
        if (!stbi__jpeg_decode_block_prog_ac(z_, data, &z_->huff_ac[c.ha], z_->fast_ac[c.ha]))
            return false;
        // A first pass's run may end up to 15 past the scan's last coefficient, where the
        // decoder writes it all the same (at the block's last if it runs out).
        const int end = z_->succ_high ? z_->spec_end : std::min(63, z_->spec_end + 15);
        for (int k = z_->spec_start; !inside && k <= end; ++k)
            nonzero |= uint64_t{scratch_[stbi__jpeg_dezigzag[k]] != 0} << k;
        return true;
    }

    stbi__jpeg* z_ = nullptr;
    bool onward_ = false;
    int rows_ = 0, first_ = -1;
    std::vector<uint8_t> planes_[4];
    std::vector<short> store_[4];
    std::vector<uint64_t> nonzero_[4];
    short scratch_[64];
};

// The decoder's JPEG loader for four channels, its resampling and colour conversion the same,
// but the planes come a band at a time and each row goes into the DIB as it is made, instead
// of into an RGBA copy of the picture. What is held whole is the DIB.
bool DecodeJpeg(const ByteSource& file, int orientation, std::vector<uint8_t>* dib, size_t band,
                bool* unreadable) {
    stbi__context s;
    SourceReader reader{&file, unreadable};
    reader.Start(&s);
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
    for (int k = 0; k < 4; ++k)
        z->img_comp[k].raw_data = z->img_comp[k].raw_coeff = nullptr;
    z->restart_interval = 0;
    JpegBands bands;
    if (!stbi__decode_jpeg_header(z, STBI__SCAN_load) || !bands.Start(z, band) || !bands.Fill())
        return false;
    const int n = s.img_n;
    const bool rgb = n == 3 && (z->rgb == 3 || (z->app14_color_transform == 0 && !z->jfif));
    const uint32_t width = s.img_x, height = s.img_y;
    const bool quarter = TurnsAQuarter(orientation);
    const uint32_t shownHeight = quarter ? width : height;
    const size_t stride = StartPackedDib(quarter ? height : width, shownHeight, dib);
    uint8_t* pixels = dib->data() + kInfoHeaderSize;
    stbi__resample res[4];
    int line0[4], line1[4];  // the rows of each plane that res[k] would point at
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
        line0[k] = line1[k] = 0;
        r->resample = r->hs == 1 && r->vs == 1   ? resample_row_1
                      : r->hs == 1 && r->vs == 2 ? stbi__resample_row_v_2
                      : r->hs == 2 && r->vs == 1 ? stbi__resample_row_h_2
                      : r->hs == 2 && r->vs == 2 ? z->resample_row_hv_2_kernel
                                                 : stbi__resample_row_generic;
    }
    std::vector<uint8_t> row(size_t{width} * 4);
    stbi_uc* c[4] = {};
    for (uint32_t j = 0; j < height; ++j) {
        for (int k = 0; k < n; ++k)
            while (!bands.Last() && line1[k] >= bands.End(k))
                if (!bands.Fill())
                    return false;
        for (int k = 0; k < n; ++k) {
            stbi__resample* r = &res[k];
            const bool bottom = r->ystep >= (r->vs >> 1);
            uint8_t *near = bands.Row(k, bottom ? line1[k] : line0[k]),
                    *far = bands.Row(k, bottom ? line0[k] : line1[k]);
            c[k] = r->resample(z->img_comp[k].linebuf, near, far, r->w_lores, r->hs);
            if (++r->ystep >= r->vs) {
                r->ystep = 0;
                line0[k] = line1[k];
                if (++r->ypos < z->img_comp[k].y)
                    ++line1[k];
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
    return bands.Finish();
}

// A failed allocation is said as the decoder's own "out of memory".
template <typename Decode>
bool DecodeOrSay(const char* kind, std::string* reason, Decode decode) {
    bool decoded = false;
#if __cpp_exceptions
    try {
        decoded = decode();
    } catch (const std::bad_alloc&) {
        stbi__err("outofmem", "Out of memory");
    }
#else
    // The page's WebAssembly build has no exceptions: there a failed allocation stops the
    // module, and the page reports it.
    decoded = decode();
#endif
    if (!decoded)
        *reason = DecoderFailure(kind, stbi_failure_reason());
    return decoded;
}

// The size first, so a huge picture is refused by the same rule as a huge BMP before any pixel
// is decoded.
bool IsSizeTaken(const uint8_t* start, size_t length, std::string* reason) {
    int w, h, channels;
    return !stbi_info_from_memory(start, static_cast<int>(length), &w, &h, &channels) ||
           IsPictureSizeTaken(static_cast<uint32_t>(w), static_cast<uint32_t>(h), reason);
}

}  // namespace

bool DecodePngFrom(const ByteSource& file, std::vector<uint8_t>* dib, std::string* reason) {
    static_assert(kMaxPictureFileSize <= INT_MAX, "the decoder counts bytes in an int");
    if (!PngChecksumsHold(file, reason))
        return false;
    uint8_t start[33];  // the signature and the header chunk, where the size is
    const size_t length = static_cast<size_t>(std::min<uint64_t>(sizeof start, file.Size()));
    if (file.Read(0, length, start) && !IsSizeTaken(start, length, reason))
        return false;
    return DecodeOrSay("PNG", reason, [&] { return DecodePng(file, dib); });
}

namespace {

// A JPEG's checks, on its file in memory; its orientation, or 0 when it is refused.
int CheckedOrientation(const uint8_t* file, size_t length, std::string* reason) {
    if (!IsPictureUndamaged(file, length, reason) || !IsSizeTaken(file, length, reason))
        return 0;
    return ReadJpegOrientation(file, length);
}

// A checked JPEG decoded from `file`; one that cannot be read to its end is said to have
// changed (the source may know better).
bool DecodeCheckedJpeg(const ByteSource& file, int orientation, std::vector<uint8_t>* dib,
                       std::string* reason, size_t band) {
    bool unreadable = false;
    const bool decoded = DecodeOrSay(
        "JPEG", reason, [&] { return DecodeJpeg(file, orientation, dib, band, &unreadable); });
    if (unreadable)
        *reason = Say(Text::kFileChanged);
    return decoded && !unreadable;
}

}  // namespace

bool DecodeJpegFrom(const ByteSource& file, std::vector<uint8_t>* whole, std::vector<uint8_t>* dib,
                    std::string* reason, size_t jpegBand) {
    const int orientation = CheckedOrientation(whole->data(), whole->size(), reason);
    std::vector<uint8_t>().swap(*whole);
    return orientation && DecodeCheckedJpeg(file, orientation, dib, reason, jpegBand);
}

bool DecodePngOrJpeg(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                     std::string* reason, size_t jpegBand) {
    const MemorySource source(file, length);
    if (file[0] == 0x89)
        return DecodePngFrom(source, dib, reason);
    const int orientation = CheckedOrientation(file, length, reason);
    return orientation && DecodeCheckedJpeg(source, orientation, dib, reason, jpegBand);
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
