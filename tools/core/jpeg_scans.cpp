#include "tools/core/jpeg_scans.h"

#include <string.h>

#include <vector>

#include "tools/core/picture.h"

namespace {

struct Huffman {
    int32_t first[17], count[17], offset[17];
    uint8_t symbols[256];
    bool defined = false;
};

struct Component {
    uint8_t id = 0, h = 1, v = 1, quantiser = 0;
    bool scanned = false;
    uint64_t finished = 0;  // progressive: the coefficients whose last pass a scan gave
    uint64_t started = 0;   // progressive: the coefficients a first pass gave
    // Progressive: per block, the coefficients no longer zero. A refinement scan spends a bit
    // on each of those, so how far its data reaches depends on the scans before it.
    std::vector<uint64_t> nonzero;
};

// The coded data of one scan, a bit at a time: a stuffed FF00 is one FF, a restart marker is
// taken only where the caller expects one, any other marker ends the data.
class Bits {
public:
    Bits(const uint8_t* file, size_t length, size_t at) : file_(file), length_(length), at_(at) {}

    int Next() {
        if (left_ == 0) {
            if (at_ >= length_ || (file_[at_] == 0xFF && (at_ + 1 >= length_ || file_[at_ + 1])))
                return -1;
            byte_ = file_[at_];
            at_ += byte_ == 0xFF ? 2 : 1;
            left_ = 8;
        }
        --left_;
        return byte_ >> left_ & 1;
    }
    // `count` bits as a number, or -1 where the data ends first.
    int32_t Read(int count) {
        int32_t value = 0;
        while (count-- > 0) {
            int bit = Next();
            if (bit < 0)
                return -1;
            value = value << 1 | bit;
        }
        return value;
    }
    bool Skip(int count) {
        while (count-- > 0)
            if (Next() < 0)
                return false;
        return true;
    }
    // The bits left in the byte are padding.
    bool Restart() {
        left_ = 0;
        while (at_ + 1 < length_ && file_[at_] == 0xFF && file_[at_ + 1] == 0xFF)
            ++at_;
        if (at_ + 1 >= length_ || file_[at_] != 0xFF || (file_[at_ + 1] & 0xF8) != 0xD0)
            return false;
        at_ += 2;
        return true;
    }

private:
    const uint8_t* file_;
    size_t length_, at_;
    uint8_t byte_ = 0;
    int left_ = 0;
};

// A symbol, or -1 where the data ends first. A code no table holds counts as a symbol of
// nothing: damage is the decoder's to tell, here only the end of the data matters.
int Decode(const Huffman& table, Bits* bits) {
    int32_t code = 0;
    for (int length = 1; length <= 16; ++length) {
        int bit = bits->Next();
        if (bit < 0)
            return -1;
        code = code << 1 | bit;
        int32_t index = code - table.first[length];
        if (index >= 0 && index < table.count[length])
            return table.symbols[(table.offset[length] + index) & 0xFF];
    }
    return 0;
}

// The AC runs of a sequential block, up to its end of block.
bool Block(const Huffman& ac, Bits* bits) {
    for (int k = 1; k < 64; ++k) {
        int symbol = Decode(ac, bits);
        if (symbol < 0)
            return false;
        if ((symbol & 0x0F) == 0 && symbol != 0xF0)
            break;
        k += symbol >> 4;
        if (!bits->Skip(symbol & 0x0F))
            return false;
    }
    return true;
}

uint32_t Big16(const uint8_t* p) {
    return uint32_t{p[0]} << 8 | p[1];
}

uint32_t Up(uint32_t value, uint32_t by) {
    return (value + by - 1) / by;
}

struct Frame {
    uint32_t width = 0, height = 0, restart = 0;
    int kind = -1;  // 0 sequential Huffman, 2 progressive Huffman, -1 none or another
    Component components[4];
    int count = 0;
    uint8_t hMax = 1, vMax = 1;
    Huffman tables[2][4];
    bool quantisers[4] = {};  // the DQT tables given so far
};

// The tables a DQT segment gives, as far as the decoder takes them.
void ReadQuantisers(const uint8_t* p, uint32_t length, Frame* frame) {
    while (length >= 1 && (p[0] >> 4) <= 1 && (p[0] & 0x0F) <= 3) {
        const uint32_t size = 1 + (p[0] >> 4 ? 128 : 64);
        if (length < size)
            return;
        frame->quantisers[p[0] & 0x0F] = true;
        p += size;
        length -= size;
    }
}

bool ReadTables(const uint8_t* p, uint32_t length, Frame* frame) {
    while (length >= 17) {
        uint8_t which = p[0];
        if ((which >> 4) > 1 || (which & 0x0F) > 3)
            return false;
        Huffman& table = frame->tables[which >> 4][which & 0x0F];
        int32_t code = 0, total = 0;
        for (int bits = 1; bits <= 16; ++bits) {
            table.first[bits] = code;
            table.offset[bits] = total;
            table.count[bits] = p[bits];
            code = (code + p[bits]) << 1;
            total += p[bits];
        }
        if (total > 256 || length < 17u + total)
            return false;
        memcpy(table.symbols, p + 17, total);
        table.defined = true;
        p += 17 + total;
        length -= 17 + total;
    }
    return length == 0;
}

bool ReadFrame(const uint8_t* p, uint32_t length, int kind, Frame* frame) {
    if (length < 6 || p[0] != 8 || p[5] < 1 || p[5] > 4 || length < 6u + 3 * p[5])
        return false;
    frame->kind = kind;
    frame->height = Big16(p + 1);
    frame->width = Big16(p + 3);
    frame->count = p[5];
    for (int i = 0; i < frame->count; ++i) {
        Component& c = frame->components[i];
        c = Component();
        c.id = p[6 + 3 * i];
        c.h = p[7 + 3 * i] >> 4;
        c.v = p[7 + 3 * i] & 0x0F;
        c.quantiser = p[8 + 3 * i];
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4)
            return false;
        frame->hMax = c.h > frame->hMax ? c.h : frame->hMax;
        frame->vMax = c.v > frame->vMax ? c.v : frame->vMax;
    }
    // Beyond the size limit the picture is refused unread: no need to follow its blocks.
    return frame->width && frame->height && frame->width <= kMaxPictureSide &&
           frame->height <= kMaxPictureSide;
}

// The coded units of a scan: a component's own blocks when it is alone in the scan, else the
// interleaved units of the whole frame.
uint64_t UnitsOfScan(const Frame& frame, const Component& alone, int count) {
    if (count == 1)
        return uint64_t{Up(Up(frame.width * alone.h, frame.hMax), 8)} *
               Up(Up(frame.height * alone.v, frame.vMax), 8);
    return uint64_t{Up(frame.width, 8 * frame.hMax)} * Up(frame.height, 8 * frame.vMax);
}

// Decodes a sequential scan's blocks, or the DC pass of a progressive one; false when its data
// ends before the last of them.
bool DcOrSequentialScanIsWhole(Bits* bits, const Frame& frame, Component** members,
                               const uint8_t* tables, int count, bool refining) {
    const uint64_t units = UnitsOfScan(frame, *members[0], count);
    for (uint64_t unit = 0; unit < units; ++unit) {
        if (frame.restart && unit && unit % frame.restart == 0 && !bits->Restart())
            return false;
        for (int i = 0; i < count; ++i) {
            const Huffman& dc = frame.tables[0][tables[i] >> 4 & 3];
            const Huffman& ac = frame.tables[1][tables[i] & 3];
            const bool sequential = frame.kind == 0;
            int blocks = count == 1 ? 1 : members[i]->h * members[i]->v;
            for (int b = 0; b < blocks; ++b) {
                int size = refining ? 1 : Decode(dc, bits);
                if (size < 0 || !bits->Skip(size & 0x1F) || (sequential && !Block(ac, bits)))
                    return false;
            }
        }
    }
    return true;
}

// An end-of-band run: the blocks, this one the first, with nothing more in the band.
bool ReadEndOfBandRun(int r, Bits* bits, uint32_t* run) {
    int32_t extra = bits->Read(r);
    if (extra < 0)
        return false;
    *run = (uint32_t{1} << r) + static_cast<uint32_t>(extra);
    return true;
}

// One block of a progressive AC scan of the band [first, last]: its first pass, or a
// refinement, which takes a correction bit for each coefficient already nonzero, zero runs
// counting only the others.
bool AcBlock(const Huffman& ac, int first, int last, bool refining, uint64_t* nonzero,
             uint32_t* run, Bits* bits) {
    int k = first;
    if (*run && !refining) {
        --*run;
        return true;
    }
    while (!*run && k <= last) {
        int symbol = Decode(ac, bits);
        if (symbol < 0)
            return false;
        int zeros = symbol >> 4, size = symbol & 15;
        if (size == 0 && zeros < 15) {
            if (!ReadEndOfBandRun(zeros, bits, run))
                return false;
            if (refining)
                break;
            --*run;
            return true;
        }
        if (!refining) {
            k += zeros;
            if (!bits->Skip(size))
                return false;
        } else {
            if (size && !bits->Skip(1))  // the new coefficient's sign
                return false;
            for (; k <= last; ++k)
                if (*nonzero >> k & 1) {
                    if (!bits->Skip(1))
                        return false;
                } else if (--zeros < 0) {
                    break;
                }
        }
        // The decoder puts a first pass's coefficient where the run ends, past the scan's last
        // one or at the block's last if it runs out; a refinement's only inside the scan.
        if (size && (!refining || k <= last))
            *nonzero |= uint64_t{1} << (k < 63 ? k : 63);
        ++k;
    }
    if (*run && refining) {
        for (; k <= last; ++k)
            if (*nonzero >> k & 1 && !bits->Skip(1))
                return false;
        --*run;
    }
    return true;
}

// Decodes a progressive AC scan's blocks; false when its data ends before the last of them.
bool AcScanIsWhole(Bits* bits, const Frame& frame, Component* c, const Huffman& ac, int first,
                   int last, bool refining) {
    const uint64_t blocks = UnitsOfScan(frame, *c, 1);
    if (c->nonzero.size() != blocks)
        c->nonzero.assign(blocks, 0);
    uint32_t run = 0;
    for (uint64_t block = 0; block < blocks; ++block) {
        if (frame.restart && block && block % frame.restart == 0) {
            if (!bits->Restart())
                return false;
            run = 0;
        }
        if (!AcBlock(ac, first, last, refining, &c->nonzero[block], &run, bits))
            return false;
    }
    return true;
}

// Any Huffman table that lists more than 256 codes where the decoder would take one before the
// frame; after it, the decoder's driver asks DhtTablesFit of each DHT as it comes.
bool HasOverfullTable(const uint8_t* file, size_t length) {
    for (size_t at = 2; at + 4 <= length;) {
        const uint8_t marker = file[at + 1];
        if (file[at] != 0xFF || marker == 0 || (marker & 0xF8) == 0xD0 || marker == 0xFF ||
            marker == 0xD8 || marker == 0x01) {
            ++at;
            continue;
        }
        if (marker == 0xD9)
            break;
        if (marker == 0xC4 && !DhtTablesFit(file + at + 2, length - at - 2))
            return true;
        const uint32_t size = Big16(file + at + 2);
        at += 2 + (size > 2 ? size : 2);
    }
    return false;
}

JpegData CheckScans(const uint8_t* file, size_t length) {
    Frame frame;
    size_t at = 2;
    while (at + 4 <= length) {
        if (file[at] != 0xFF || file[at + 1] == 0 || (file[at + 1] & 0xF8) == 0xD0 ||
            file[at + 1] == 0xFF) {
            ++at;  // coded data, fill bytes and restart markers between the segments
            continue;
        }
        uint8_t marker = file[at + 1];
        if (marker == 0xD9)
            break;
        if (marker == 0xD8 || marker == 0x01) {
            at += 2;
            continue;
        }
        uint32_t size = Big16(file + at + 2);
        if (size < 2 || size > length - at - 2)
            return JpegData::kWhole;
        const uint8_t* p = file + at + 4;
        uint32_t body = size - 2;
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (frame.kind >= 0)
                return JpegData::kDamaged;  // a second frame: the decoder refuses the file
            if (!ReadFrame(p, body, marker == 0xC2 ? 2 : 0, &frame))
                return JpegData::kWhole;
        } else if ((marker & 0xF0) == 0xC0 && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            return JpegData::kWhole;  // lossless or arithmetic coding: the decoder's to judge
        } else if (marker == 0xC4 && !ReadTables(p, body, &frame)) {
            return JpegData::kWhole;
        } else if (marker == 0xDB) {
            ReadQuantisers(p, body, &frame);
        } else if (marker == 0xDD && body >= 2) {
            frame.restart = Big16(p);
        } else if (marker == 0xDA) {
            if (frame.kind < 0 || body < 1 || p[0] < 1 || p[0] > 4 || body < 4u + 2 * p[0])
                return JpegData::kWhole;
            int count = p[0];
            Component* members[4];
            uint8_t tables[4];
            for (int i = 0; i < count; ++i) {
                members[i] = nullptr;
                for (int c = 0; c < frame.count; ++c)
                    if (frame.components[c].id == p[1 + 2 * i])
                        members[i] = &frame.components[c];
                if (!members[i])
                    return JpegData::kWhole;
                members[i]->scanned = true;
                tables[i] = p[2 + 2 * i];
            }
            uint8_t first = p[1 + 2 * count], last = p[2 + 2 * count], low = p[3 + 2 * count] & 15;
            const bool refining = p[3 + 2 * count] >> 4;
            for (int i = 0; i < count; ++i) {
                // The decoder reads a table no DHT or DQT gave as whatever its memory held.
                if (members[i]->quantiser > 3 || !frame.quantisers[members[i]->quantiser])
                    return JpegData::kDamaged;
                const bool dc = frame.kind == 0 || (first == 0 && !refining),
                           ac = first > 0 || !frame.kind;
                if ((dc && !frame.tables[0][tables[i] >> 4 & 3].defined) ||
                    (ac && !frame.tables[1][tables[i] & 3].defined))
                    return JpegData::kDamaged;
            }
            // The decoder clears a block in its first DC pass: before it, and in a refinement of
            // coefficients no first pass gave, it would work on what its memory held; a second
            // first pass would clear what the passes between gave.
            if (frame.kind == 2 && first <= last && last < 64) {
                const uint64_t band = (~uint64_t{0} >> (63 - last)) & (~uint64_t{0} << first),
                               needed = (refining ? band : 0) | (first > 0 ? 1 : 0);
                for (int i = 0; i < count; ++i) {
                    if ((members[i]->started & needed) != needed ||
                        (!refining && (members[i]->started & band)))
                        return JpegData::kDamaged;
                    if (!refining)
                        members[i]->started |= band;
                }
            }
            Bits bits(file, length, at + 2 + size);
            if (frame.kind == 0 || first == 0) {
                if ((frame.kind == 0 || last == 0) &&
                    !DcOrSequentialScanIsWhole(&bits, frame, members, tables, count,
                                               frame.kind && refining))
                    return JpegData::kCutShort;
            } else if (count == 1 && first <= last && last < 64 &&
                       !AcScanIsWhole(&bits, frame, members[0], frame.tables[1][tables[0] & 3],
                                      first, last, refining)) {
                return JpegData::kCutShort;
            }
            if (frame.kind == 2 && low == 0 && first <= last && last < 64)
                for (int i = 0; i < count; ++i)
                    for (int k = first; k <= last; ++k)
                        members[i]->finished |= uint64_t{1} << k;
        }
        at += 2 + size;
    }
    if (frame.kind < 0)
        return JpegData::kWhole;
    for (int c = 0; c < frame.count; ++c) {
        const Component& component = frame.components[c];
        if (!component.scanned || (frame.kind == 2 && component.finished != ~uint64_t{0}))
            return JpegData::kCutShort;
    }
    return JpegData::kWhole;
}

}  // namespace

JpegData CheckJpegData(const uint8_t* file, size_t length) {
    return HasOverfullTable(file, length) ? JpegData::kDamaged : CheckScans(file, length);
}

bool DhtTablesFit(const uint8_t* segment, size_t available) {
    // Past the end of the file the decoder reads zeros.
    auto byte = [segment, available](size_t i) { return i < available ? segment[i] : 0; };
    int32_t left = (byte(0) << 8 | byte(1)) - 2;
    for (size_t p = 2; left > 0 && p < available; p += 17) {
        if ((byte(p) >> 4) > 1 || (byte(p) & 0x0F) > 3)
            return true;  // the decoder stops at such a table
        int32_t total = 0;
        for (int bits = 1; bits <= 16; ++bits)
            total += byte(p + bits);
        if (total > 256)
            return false;
        left -= 17 + total;
        p += total;
    }
    return true;
}
