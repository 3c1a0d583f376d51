#include "tools/core/package_source.h"

#include <algorithm>

#include "support/little_endian.h"

namespace {

// Past the end of the PE32+ data directories up to the security entry, the farthest that
// FindCertificateTable reads after the offset at 0x3C.
constexpr uint64_t kPeHeaderReach = 24 + 112 + 5 * 8;

}  // namespace

bool ReadPackageIn(const ByteSource& file, uint32_t p, std::vector<uint8_t>* prefix,
                   PackageLayout* layout) {
    uint64_t size = file.Size(), reach = uint64_t{p} + kSaverImageOffset;
    uint8_t dos[0x40];
    // Only a program's header is read; one placed past the package is read there too.
    if (size >= sizeof dos && file.Read(0, sizeof dos, dos) && dos[0] == 'M' && dos[1] == 'Z')
        reach = std::max(reach, Read32(dos + 0x3C) + kPeHeaderReach);
    return ReadRange(file, 0, std::min(reach, size), prefix) &&
           ReadPackageAt(prefix->data(), static_cast<uint32_t>(size), p, layout);
}

bool LocateSplashIn(const ByteSource& file, uint64_t from, uint32_t length, uint32_t* q,
                    SplashLocation* splash) {
    char marker[kMarkerBufferSize];
    BuildSaverBoundary(marker);
    uint64_t at;
    *splash = {};
    if (!file.FindMarker(from, from + length, marker, &at))
        return false;
    *q = static_cast<uint32_t>(at - from);
    uint64_t available = length - *q;
    // ReadSplashDibAt reads the first block's length and, when it fits, the 4 bytes after it.
    std::vector<uint8_t> header;
    uint64_t reach = std::min<uint64_t>(available, kFirstBlockOffset);
    if (!ReadRange(file, at, reach, &header))
        return true;
    if (reach == kFirstBlockOffset) {
        uint64_t second =
            kFirstBlockOffset + uint64_t{Read32(header.data() + kFirstBlockLengthOffset)};
        if (second + 4 <= available && !ReadRange(file, at, second + 4, &header))
            return true;
    }
    ReadSplashDibAt(header.data(), available, splash);
    if (splash->complete)
        splash->offset += *q;
    return true;
}
