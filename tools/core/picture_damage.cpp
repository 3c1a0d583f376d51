#include "tools/core/picture_damage.h"

#include <string.h>

#include <algorithm>
#include <vector>

#include "tools/core/byte_source.h"
#include "tools/core/jpeg_scans.h"
#include "tools/core/texts.h"

namespace {

uint32_t ReadBig32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint32_t Crc32(uint32_t crc, const uint8_t* bytes, size_t length) {
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < length; ++i)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// Tables the decoder would write past or read unset are refused as damage.
bool JpegDataIsWhole(const uint8_t* file, size_t length, bool tables, std::string* reason) {
    if (!tables)
        return *reason = Say(Text::kJpegWithoutTables), false;
    switch (CheckJpegData(file, length)) {
        case JpegData::kCutShort:
            return *reason = Say(Text::kPictureCutShort, {"JPEG"}), false;
        case JpegData::kDamaged:
            return *reason = Say(Text::kPictureDataDamaged, {"JPEG"}), false;
        default:
            return true;
    }
}

// Quantisation tables before the first scan, and the end marker after it: the coded data
// holds no such byte pair, so a file without one is cut short; so is one whose scans end
// before their blocks do, though an end marker closes it.
bool JpegIsWhole(const uint8_t* file, size_t length, std::string* reason) {
    bool tables = false;
    for (size_t at = 2; at + 4 <= length && file[at] == 0xFF;) {
        uint8_t marker = file[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        tables = tables || marker == 0xDB;
        if (marker == 0xDA) {
            for (size_t end = at + 2; end + 2 <= length; ++end)
                if (file[end] == 0xFF && file[end + 1] == 0xD9)
                    return JpegDataIsWhole(file, length, tables, reason);
            break;
        }
        at += 2 + (size_t{file[at + 2]} << 8 | file[at + 3]);
    }
    *reason = Say(Text::kPictureCutShort, {"JPEG"});
    return false;
}

}  // namespace

// Each chunk's checksum, up to the end chunk, which must be there; read a piece at a time.
bool PngChecksumsHold(const ByteSource& file, std::string* reason) {
    const uint64_t length = file.Size();
    std::vector<uint8_t> piece;
    uint8_t head[8], stored[4];
    for (uint64_t at = 8; at + 12 <= length && file.Read(at, 8, head);) {
        const uint64_t size = ReadBig32(head);
        if (size > length - at - 12)
            break;
        uint32_t crc = Crc32(0, head + 4, 4);
        for (uint64_t done = 0; done < size;) {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(size - done, 1 << 16));
            piece.resize(take);
            if (!file.Read(at + 8 + done, take, piece.data()))
                return *reason = Say(Text::kPictureCutShort, {"PNG"}), false;
            crc = Crc32(crc, piece.data(), take);
            done += take;
        }
        if (!file.Read(at + 8 + size, 4, stored) || crc != ReadBig32(stored)) {
            *reason =
                Say(Text::kPngChecksum, {std::string(reinterpret_cast<const char*>(head + 4), 4)});
            return false;
        }
        if (memcmp(head + 4, "IEND", 4) == 0)
            return true;
        at += 12 + size;
    }
    *reason = Say(Text::kPictureCutShort, {"PNG"});
    return false;
}

bool IsPictureUndamaged(const uint8_t* file, size_t length, std::string* reason) {
    if (length >= 8 && memcmp(file, "\x89PNG\r\n\x1a\n", 8) == 0)
        return PngChecksumsHold(MemorySource(file, length), reason);
    if (length >= 3 && file[0] == 0xFF && file[1] == 0xD8)
        return JpegIsWhole(file, length, reason);
    return true;
}
