#include "tools/core/bmp.h"

#include <string.h>

#include "render/dib.h"
#include "support/little_endian.h"
#include "tools/core/bmp_rle.h"
#include "tools/core/picture.h"
#include "tools/core/texts.h"

namespace {

enum : uint32_t { kFileHeaderSize = 14, kV4HeaderSize = 108, kV5HeaderSize = 124 };

void Put32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

const char* KindOf(uint32_t headerSize) {
    switch (headerSize) {
        case kCoreHeaderSize:
            return "core";
        case kInfoHeaderSize:
            return "info";
        case kV4HeaderSize:
            return "V4";
        case kV5HeaderSize:
            return "V5";
    }
    return "other";
}

void Put16(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

// Red, green and blue masks each with bits of their own.
bool AreMasksUsable(const uint8_t* masks, uint64_t available) {
    if (available < 12)
        return false;
    uint32_t red = Read32(masks), green = Read32(masks + 4), blue = Read32(masks + 8);
    return red && green && blue && !(red & green) && !(red & blue) && !(green & blue);
}

// The largest colour index the rows use, within the picture's width.
uint32_t HighestIndex(const uint8_t* rows, uint32_t bits, uint32_t width, uint64_t height,
                      uint64_t stride) {
    uint32_t highest = 0;
    for (uint64_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint64_t bit = uint64_t{x} * bits;
            uint32_t byte = rows[y * stride + bit / 8];
            uint32_t index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            highest = index > highest ? index : highest;
        }
    return highest;
}

bool Refuse(std::string* reason, const std::string& why) {
    *reason = why;
    return false;
}

}  // namespace

bool DescribeDib(const uint8_t* dib, size_t length, DibFacts* facts) {
    if (length < 4)
        return false;
    uint32_t size = Read32(dib);
    bool core = size == kCoreHeaderSize;
    if ((!core && size < kInfoHeaderSize) || size > length)
        return false;
    facts->kind = KindOf(size);
    facts->headerSize = size;
    facts->width =
        core ? static_cast<int32_t>(Read16(dib + 4)) : static_cast<int32_t>(Read32(dib + 4));
    facts->height =
        core ? static_cast<int32_t>(Read16(dib + 6)) : static_cast<int32_t>(Read32(dib + 8));
    facts->bitCount = Read16(dib + (core ? 10 : 14));
    facts->compression = core ? 0 : Read32(dib + 16);
    facts->colours = GetDibColorCount(dib);
    return true;
}

namespace {

// Where an uncompressed picture's rows lie in the file, and what the mending after them needs.
struct BmpRows {
    bool core, rle;
    uint32_t bits, width;
    uint64_t at, height, stride, bytes, entries, maxEntries;
};

// Checks the file and writes the DIB's header and colour table; a run-length picture's rows
// too, expanded. An uncompressed picture's rows are left for the caller to append.
bool StartDib(const uint8_t* file, size_t length, std::vector<uint8_t>* dib, BmpRows* out,
              std::string* reason) {
    if (length < 2 || file[0] != 'B' || file[1] != 'M')
        return Refuse(reason, Say(Text::kBmpNoFileHeader));
    if (length < kFileHeaderSize + 4)
        return Refuse(reason, Say(Text::kBmpEndsInHeaders));
    const uint8_t* header = file + kFileHeaderSize;
    uint64_t available = length - kFileHeaderSize;
    DibFacts f;
    uint32_t size = Read32(header);
    if (size != kCoreHeaderSize && size != kInfoHeaderSize && size != kV4HeaderSize &&
        size != kV5HeaderSize)
        return Refuse(reason, Say(Text::kBmpHeaderSize, {std::to_string(size)}));
    if (!DescribeDib(header, available, &f))
        return Refuse(reason, Say(Text::kBmpHeaderCutShort));
    bool core = size == kCoreHeaderSize;
    uint32_t bits = f.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Refuse(reason, Say(Text::kBmpBitCount, {std::to_string(bits)}));
    if (core && bits == 16)  // a core header has no 16-bit format
        return Refuse(reason, Say(Text::kBmpCoreSixteenBits));
    bool bitFields = f.compression == kBitFields;
    bool rle = f.compression == kRle8 || f.compression == kRle4;
    if (f.compression != 0 && !bitFields && !rle)
        return Refuse(reason, Say(Text::kBmpCompression, {std::to_string(f.compression)}));
    if (bitFields && bits != 16 && bits != 32)
        return Refuse(reason, Say(Text::kBmpBitFieldsBits, {std::to_string(bits)}));
    if (bitFields && !AreMasksUsable(header + kInfoHeaderSize, available - kInfoHeaderSize))
        return Refuse(reason, Say(Text::kBmpMasksUnfit));
    if (rle && bits != (f.compression == kRle8 ? 8u : 4u))
        return Refuse(reason,
                      Say(Text::kBmpRunLengthBits,
                          {f.compression == kRle8 ? "BI_RLE8" : "BI_RLE4", std::to_string(bits)}));
    if (f.width <= 0 || f.height == 0 || f.height == INT32_MIN)
        return Refuse(reason, Say(Text::kBmpNoSize));
    if (rle && f.height < 0)
        return Refuse(reason, Say(Text::kBmpRunLengthTopDown));
    uint64_t height = f.height < 0 ? 0 - static_cast<int64_t>(f.height) : f.height;
    if (!IsPictureSizeTaken(static_cast<uint32_t>(f.width), height, reason))
        return false;

    // The colour table as the file holds it: 12 bytes of masks after a 40-byte header with
    // BI_BITFIELDS (larger headers hold them inside), then the entries.
    uint32_t used = core ? 0 : Read32(header + 32);
    uint64_t maxEntries = bits <= 8 ? 1u << bits : 0;
    if (bits <= 8 && used > maxEntries)
        return Refuse(reason, Say(Text::kBmpColours, {std::to_string(used), std::to_string(bits)}));
    uint64_t entries = bits <= 8 ? (used ? used : maxEntries) : used;
    uint64_t masksAfter = size == kInfoHeaderSize && bitFields ? 12 : 0;
    uint64_t tableBytes = masksAfter + entries * (core ? 3 : 4);
    if (size + tableBytes > available)
        return Refuse(reason, Say(Text::kBmpTablePastEnd));
    uint64_t rowsAt = Read32(file + 10);
    if (rowsAt < kFileHeaderSize + size + tableBytes)
        return Refuse(reason, Say(Text::kBmpRowsInsideHeader));
    uint64_t stride = (uint64_t{static_cast<uint32_t>(f.width)} * bits + 31) / 32 * 4;
    // A run-length stream is as long as biSizeImage says, or else the rest of the file.
    uint64_t streamLength = rowsAt <= length ? length - rowsAt : 0;
    uint64_t sizeImage = core ? 0 : Read32(header + 20);  // a core header ends before it
    if (rle && sizeImage != 0 && sizeImage <= streamLength)
        streamLength = sizeImage;
    if (rowsAt > length || (rle ? sizeImage > streamLength : height > streamLength / stride))
        return Refuse(reason, Say(Text::kBmpRowsPastEnd));

    // Out: a 40-byte header for V4 and V5 (the masks, if any, after it, where the installer
    // looks for them), no colour table above 8 bits (it only suggests a palette), the rows.
    uint32_t outSize = core ? kCoreHeaderSize : kInfoHeaderSize;
    uint64_t outEntries = bits <= 8 ? entries : 0;
    uint64_t outTable = (bitFields ? 12 : 0) + outEntries * (core ? 3 : 4);
    uint64_t rowBytes = stride * height;
    dib->assign(header, header + outSize);
    Put32(dib->data(), outSize);
    if (!core && bits > 8)
        Put32(dib->data() + 32, 0);
    if (rle) {
        Put32(dib->data() + 16, 0);
        Put32(dib->data() + 20, static_cast<uint32_t>(rowBytes));
    }
    if (bitFields)
        dib->insert(dib->end(), header + kInfoHeaderSize, header + kInfoHeaderSize + 12);
    const uint8_t* table = header + size + masksAfter;
    dib->insert(dib->end(), table, table + (outTable - (bitFields ? 12 : 0)));
    *out = {core,     rle,        bits,      static_cast<uint32_t>(f.width), rowsAt, height, stride,
            rowBytes, outEntries, maxEntries};
    if (!rle)
        return true;
    size_t rowsStart = dib->size();
    dib->resize(rowsStart + rowBytes, 0);
    return ExpandRle(file + rowsAt, streamLength, bits, static_cast<uint32_t>(f.width),
                     static_cast<uint32_t>(height), stride, dib->data() + rowsStart, reason);
}

bool FinishDib(const BmpRows& r, std::vector<uint8_t>* dib, std::string* reason) {
    const bool core = r.core;
    const uint32_t bits = r.bits;
    const uint64_t rowBytes = r.bytes, outEntries = r.entries, maxEntries = r.maxEntries;
    // Fields the system reads that files get wrong: one plane; the rows' true size.
    uint8_t* out = dib->data();
    Put16(out + (core ? 8 : 12), 1);
    if (!core && Read32(out + 20) != 0)
        Put32(out + 20, static_cast<uint32_t>(rowBytes));
    // Indices past a short colour table: black in full, so the installer draws what the
    // system would instead of reading past the table.
    if (bits <= 8 && outEntries < maxEntries &&
        HighestIndex(dib->data() + dib->size() - rowBytes, bits, r.width, r.height, r.stride) >=
            outEntries) {
        dib->insert(dib->end() - static_cast<ptrdiff_t>(rowBytes),
                    (maxEntries - outEntries) * (core ? 3 : 4), 0);
        Put32(dib->data() + 32, 0);  // all 2^bits entries
    }
    if (!IsSplashDibComplete(dib->data(), static_cast<uint32_t>(dib->size())))
        return Refuse(reason, Say(Text::kSplashUnfit));
    return true;
}

}  // namespace

bool BmpToPackedDib(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                    std::string* reason) {
    BmpRows rows;
    if (!StartDib(file, length, dib, &rows, reason))
        return false;
    if (!rows.rle)
        dib->insert(dib->end(), file + rows.at, file + rows.at + rows.bytes);
    return FinishDib(rows, dib, reason);
}

bool BmpFileToPackedDib(std::vector<uint8_t>* file, std::string* reason) {
    std::vector<uint8_t> start;
    BmpRows rows;
    if (!StartDib(file->data(), file->size(), &start, &rows, reason))
        return false;
    if (rows.rle) {
        file->swap(start);
    } else {
        // The rows lie past the file header and the headers and table they are kept with,
        // none of which grow, so they only move towards the start.
        memmove(file->data() + start.size(), file->data() + rows.at, rows.bytes);
        memcpy(file->data(), start.data(), start.size());
        file->resize(start.size() + rows.bytes);
    }
    return FinishDib(rows, file, reason);
}
