// Hostile installer files read the page's way (streamed in pieces, then the ranges the checks
// look at) and as parts, against the whole file in memory: the facts must be the same, and
// the few ranges read for the program's header, the name and the data header must stay inside
// what was read. Both markers are planted where the first bytes say, as in package_fuzz.
#include <sanitizer/asan_interface.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "installer/package.h"
#include "tools/core/byte_source.h"
#include "tools/core/inspect.h"

// A file kept in pieces of its own, so that AddressSanitizer sees a read past any of them: one
// block holds them all, each starting on a granule of its own with poisoned bytes between, as
// apart as separate allocations but for one allocation an input instead of thousands.
class Pieces : public ByteSource {
public:
    Pieces(const std::vector<uint8_t>& file, size_t piece)
        : size_(file.size()), piece_(piece), stride_((piece + 7) / 8 * 8 + 16) {
        const size_t count = (file.size() + piece - 1) / piece;
        block_.resize(count * stride_ + 16);
        pieces_.reserve(count);
        ASAN_POISON_MEMORY_REGION(block_.data(), block_.size());
        for (size_t i = 0, at = 0; at < file.size(); ++i, at += piece) {
            uint8_t* start = block_.data() + 16 + i * stride_;
            const size_t length = std::min(file.size() - at, piece);
            ASAN_UNPOISON_MEMORY_REGION(start, length);
            memcpy(start, file.data() + at, length);
            pieces_.push_back({start, length});
        }
    }
    ~Pieces() override { ASAN_UNPOISON_MEMORY_REGION(block_.data(), block_.size()); }
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override {
        while (length > 0) {
            const auto& [bytes, size] = pieces_[offset / piece_];
            const size_t at = offset % piece_, n = std::min(length, size - at);
            memcpy(out, bytes + at, n);
            out += n;
            offset += n;
            length -= n;
        }
        return true;
    }
    const std::vector<std::pair<const uint8_t*, size_t>>& Each() const { return pieces_; }

private:
    size_t size_, piece_, stride_;
    std::vector<uint8_t> block_;
    std::vector<std::pair<const uint8_t*, size_t>> pieces_;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6 || size > 0xFFFF)
        return 0;
    char setup[kMarkerBufferSize], saver[kMarkerBufferSize];
    BuildSetupBoundary(setup);
    BuildSaverBoundary(saver);
    size_t body = size - 5, piece = 1 + data[4] % 97;
    size_t setupAt = (data[0] | data[1] << 8) % body;
    size_t saverAt = std::max(setupAt, (data[2] | data[3] << 8) % body);
    std::vector<uint8_t> file;
    file.reserve(size - 5 + 2 * kMarkerLength);
    file.insert(file.end(), data + 5, data + 5 + setupAt);
    file.insert(file.end(), setup, setup + kMarkerLength);
    file.insert(file.end(), data + 5 + setupAt, data + 5 + saverAt);
    file.insert(file.end(), saver, saver + kMarkerLength);
    file.insert(file.end(), data + 5 + saverAt, data + size);

    std::string whole = FormatInspectJson(InspectInstaller(file.data(), file.size()));
    Pieces pieces(file, piece);
    ScannedSource streamed(pieces);
    for (const auto& [bytes, length] : pieces.Each())
        if (!streamed.Feed(bytes, length))
            break;
    // Parts as the page joins them, a few: each search walks all of them.
    Pieces few(file, std::max(piece, file.size() / 8 + 1));
    std::vector<MemorySource> parts;
    parts.reserve(few.Each().size());
    for (const auto& [bytes, length] : few.Each())
        parts.emplace_back(bytes, length);
    std::vector<const ByteSource*> joined;
    for (const MemorySource& p : parts)
        joined.push_back(&p);
    if (FormatInspectJson(InspectInstaller(streamed)) != whole ||
        FormatInspectJson(InspectInstaller(JoinedSource(joined))) != whole)
        __builtin_trap();
    return 0;
}
