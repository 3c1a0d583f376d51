// Hostile installer files read the page's way (streamed in pieces, then the ranges the checks
// look at) and as parts, against the whole file in memory: the facts must be the same, and
// the few ranges read for the program's header, the name and the data header must stay inside
// what was read. Both markers are planted where the first bytes say, as in package_fuzz.
#include <stdint.h>

#include <algorithm>
#include <vector>

#include "installer/package.h"
#include "tools/core/byte_source.h"
#include "tools/core/inspect.h"

// A file kept in pieces of its own, so that AddressSanitizer sees a read past any of them.
class Pieces : public ByteSource {
public:
    Pieces(const std::vector<uint8_t>& file, size_t piece) : size_(file.size()), piece_(piece) {
        for (size_t at = 0; at < file.size(); at += piece)
            pieces_.emplace_back(file.begin() + at,
                                 file.begin() + std::min(file.size(), at + piece));
    }
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override {
        for (; length > 0; ++offset, --length)
            *out++ = pieces_[offset / piece_][offset % piece_];
        return true;
    }
    const std::vector<std::vector<uint8_t>>& Each() const { return pieces_; }

private:
    size_t size_, piece_;
    std::vector<std::vector<uint8_t>> pieces_;
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
    std::vector<uint8_t> file(data + 5, data + 5 + setupAt);
    file.insert(file.end(), setup, setup + kMarkerLength);
    file.insert(file.end(), data + 5 + setupAt, data + 5 + saverAt);
    file.insert(file.end(), saver, saver + kMarkerLength);
    file.insert(file.end(), data + 5 + saverAt, data + size);

    std::string whole = FormatInspectJson(InspectInstaller(file.data(), file.size()));
    Pieces pieces(file, piece);
    ScannedSource streamed(pieces);
    for (const std::vector<uint8_t>& p : pieces.Each())
        if (!streamed.Feed(p.data(), p.size()))
            break;
    // Parts as the page joins them, a few: each search walks all of them.
    Pieces few(file, std::max(piece, file.size() / 8 + 1));
    std::vector<MemorySource> parts;
    for (const std::vector<uint8_t>& p : few.Each())
        parts.emplace_back(p);
    std::vector<const ByteSource*> joined;
    for (const MemorySource& p : parts)
        joined.push_back(&p);
    if (FormatInspectJson(InspectInstaller(streamed)) != whole ||
        FormatInspectJson(InspectInstaller(JoinedSource(joined))) != whole)
        __builtin_trap();
    return 0;
}
