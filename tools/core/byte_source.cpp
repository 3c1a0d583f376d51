#include "tools/core/byte_source.h"

#include <string.h>

#include <algorithm>

#include "installer/package.h"

namespace {

constexpr uint64_t kWindow = 1 << 20;
constexpr uint64_t kOverlap = kMarkerLength - 1;

// The installer's own search, on pieces that may exceed its 32-bit lengths. Below a few
// hundred bytes (the seams between pieces, a stream fed in small pieces) its skip table costs
// more to make than it saves, so those are searched byte by byte, for the same first place.
bool FindInMemory(const uint8_t* data, uint64_t length, const char* marker, uint64_t* at) {
    if (length < 256) {
        for (uint64_t i = 0; i + kMarkerLength <= length; ++i)
            if (data[i] == static_cast<uint8_t>(marker[0]) &&
                memcmp(data + i, marker, kMarkerLength) == 0) {
                *at = i;
                return true;
            }
        return false;
    }
    for (uint64_t start = 0; start + kMarkerLength <= length; start += 0x80000000u) {
        uint64_t piece = std::min<uint64_t>(length - start, 0x80000000u + kOverlap);
        uint32_t found;
        if (::FindMarker(data + start, static_cast<uint32_t>(piece), marker, &found)) {
            *at = start + found;
            return true;
        }
    }
    return false;
}

// The package's two markers, for whoever scans for both.
const char* const* PackageMarkers() {
    static char setup[kMarkerBufferSize], saver[kMarkerBufferSize];
    static const char* const both[] = {setup, saver};
    BuildSetupBoundary(setup);
    BuildSaverBoundary(saver);
    return both;
}

}  // namespace

bool ByteSource::FindMarker(uint64_t from, uint64_t to, const char* marker, uint64_t* at) const {
    bool found;
    return FindMarkersIn(*this, from, to, &marker, 1, &found, at) && found;
}

bool FindMarkersIn(const ByteSource& source, uint64_t from, uint64_t to, const char* const* markers,
                   int count, bool* found, uint64_t* at) {
    MarkerScan scan(markers, count);
    std::vector<uint8_t> window;
    for (uint64_t start = from; !scan.AllFound() && start < to; start += kWindow) {
        window.resize(std::min(to - start, kWindow));
        if (!source.Read(start, window.size(), window.data()))
            return false;
        scan.Feed(window.data(), window.size());
    }
    for (int i = 0; i < count; ++i) {
        found[i] = scan.Found(i, &at[i]);
        at[i] += found[i] ? from : 0;
    }
    return true;
}

void MarkerScan::Feed(const uint8_t* piece, size_t length) {
    static_assert(sizeof carry_ == 2 * kOverlap, "the carried bytes and as many of a piece");
    // A place that starts in the carried bytes runs on into this piece: search the seam.
    const size_t carried = carried_, seam = carried + std::min<size_t>(length, kOverlap);
    memcpy(carry_ + carried, piece, seam - carried);
    for (int i = 0; i < static_cast<int>(markers_.size()); ++i) {
        uint64_t at, ignored;
        if (Found(i, &ignored))
            continue;
        if (carried > 0 && FindInMemory(carry_, seam, markers_[i], &at) && at < carried)
            found_.push_back({i, fed_ - carried + at});
        else if (FindInMemory(piece, length, markers_[i], &at))
            found_.push_back({i, fed_ + at});
    }
    fed_ += length;
    if (length >= kOverlap)
        memcpy(carry_, piece + length - kOverlap, kOverlap);
    else if (seam > kOverlap)
        memmove(carry_, carry_ + seam - kOverlap, kOverlap);
    carried_ = std::min<size_t>(seam, kOverlap);
}

bool MarkerScan::Found(int i, uint64_t* at) const {
    for (const auto& [marker, place] : found_) {
        if (marker == i) {
            *at = place;
            return true;
        }
    }
    return false;
}

bool ReadRange(const ByteSource& source, uint64_t offset, uint64_t length,
               std::vector<uint8_t>* out) {
    if (offset > source.Size() || length > source.Size() - offset)
        return false;
    out->resize(length);
    return source.Read(offset, length, out->data());
}

bool MemorySource::Read(uint64_t offset, size_t length, uint8_t* out) const {
    memcpy(out, data_ + offset, length);
    return true;
}

bool MemorySource::FindMarker(uint64_t from, uint64_t to, const char* marker, uint64_t* at) const {
    if (to <= from || !FindInMemory(data_ + from, to - from, marker, at))
        return false;
    *at += from;
    return true;
}

uint64_t JoinedSource::Size() const {
    uint64_t size = 0;
    for (const ByteSource* part : parts_)
        size += part->Size();
    return size;
}

bool JoinedSource::Read(uint64_t offset, size_t length, uint8_t* out) const {
    uint64_t start = 0;
    for (const ByteSource* part : parts_) {
        uint64_t end = start + part->Size();
        if (length > 0 && offset < end) {
            size_t piece = static_cast<size_t>(std::min<uint64_t>(length, end - offset));
            if (!part->Read(offset - start, piece, out))
                return false;
            out += piece;
            offset += piece;
            length -= piece;
        }
        start = end;
    }
    return length == 0;
}

bool JoinedSource::FindMarker(uint64_t from, uint64_t to, const char* marker, uint64_t* at) const {
    uint64_t start = 0;
    for (const ByteSource* part : parts_) {
        uint64_t end = start + part->Size();
        uint64_t low = std::max(from, start), high = std::min(to, end);
        // A place inside the part comes before any that runs on into the next one.
        if (low < high && part->FindMarker(low - start, high - start, marker, at)) {
            *at += start;
            return true;
        }
        // The seam holds no whole marker that starts at the part's end or after it.
        uint64_t seam = std::max(low, end > kOverlap ? end - kOverlap : 0);
        uint64_t seamEnd = std::min(to, end + kOverlap);
        std::vector<uint8_t> bytes;
        if (seam < end && seam < seamEnd && ReadRange(*this, seam, seamEnd - seam, &bytes) &&
            FindInMemory(bytes.data(), bytes.size(), marker, at)) {
            *at += seam;
            return true;
        }
        start = end;
    }
    return false;
}

ScannedSource::ScannedSource(const ByteSource& file) : file_(&file), scan_(PackageMarkers(), 2) {}

bool ScannedSource::Feed(const uint8_t* piece, size_t length) {
    scan_.Feed(piece, length);
    return !scan_.AllFound() && scan_.Fed() < Size();
}

bool ScannedSource::ScanAll() const {
    std::vector<uint8_t> window;
    while (!scan_.AllFound() && scan_.Fed() < Size()) {
        window.resize(static_cast<size_t>(std::min<uint64_t>(Size() - scan_.Fed(), kWindow)));
        size_t length = window.size();
        if (!Read(scan_.Fed(), length, window.data()))
            return false;
        scan_.Feed(window.data(), length);
    }
    return true;
}

bool ScannedSource::FindMarker(uint64_t from, uint64_t to, const char* marker, uint64_t* at) const {
    int i = 0;
    while (i < 2 && memcmp(marker, PackageMarkers()[i], kMarkerLength) != 0)
        ++i;
    if (i == 2 || !ScanAll())
        return ByteSource::FindMarker(from, to, marker, at);
    uint64_t first;
    if (!scan_.Found(i, &first))
        return false;
    // None lies before the first, so it is the first of any range that begins at or before it.
    if (first < from)
        return ByteSource::FindMarker(from, to, marker, at);
    *at = first;
    return first + kMarkerLength <= to;
}
