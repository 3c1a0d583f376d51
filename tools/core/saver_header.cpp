#include "tools/core/saver_header.h"

#include <algorithm>

#include "installer/package.h"
#include "render/dib.h"
#include "tools/core/package_source.h"
#include "tools/core/texts.h"

bool AppendSaverDataHeader(const std::vector<uint8_t>& saver, const std::vector<uint8_t>& splash,
                           std::vector<uint8_t>* out, std::string* reason) {
    std::vector<uint8_t> tail;
    if (!MakeSaverDataHeader(MemorySource(saver), splash, &tail, reason))
        return false;
    *out = saver;
    out->insert(out->end(), tail.begin(), tail.end());
    return true;
}

bool MakeSaverDataHeader(const ByteSource& saver, const std::vector<uint8_t>& splash,
                         std::vector<uint8_t>* tail, std::string* reason) {
    char marker[kMarkerBufferSize];
    BuildSaverBoundary(marker);
    uint64_t saverLength = saver.Size(), position;
    if (saverLength > 0xFFFFFFFFu - kSplashAfterBlocks - splash.size()) {
        *reason = Say(Text::kSaverReaches4GiB);
        return false;
    }
    if (saver.FindMarker(0, saverLength, marker, &position)) {
        *reason = Say(Text::kHasDataHeader, {std::to_string(position)});
        return false;
    }
    if (!splash.empty() &&
        !IsSplashDibComplete(splash.data(), static_cast<uint32_t>(splash.size()))) {
        *reason = Say(Text::kSplashUnfit);
        return false;
    }
    // Zero fills the unread screen saver data, X, Y and the four bytes after the second block.
    tail->assign(kSplashAfterBlocks, 0);
    std::copy(marker, marker + kMarkerLength, tail->begin());
    for (int i = 0; i < 4; ++i)
        (*tail)[kSplashDibLengthOffset + i] = static_cast<uint8_t>(splash.size() >> (8 * i));
    tail->insert(tail->end(), splash.begin(), splash.end());
    // A saver ending in the marker's first bytes would make the installer find a header that
    // starts inside the saver: read back what the installer reads.
    MemorySource tailSource(*tail);
    JoinedSource file({&saver, &tailSource});
    uint32_t q;
    SplashLocation found;
    if (!LocateSplashIn(file, 0, static_cast<uint32_t>(file.Size()), &q, &found) ||
        found.offset != saverLength + kSplashAfterBlocks || found.length != splash.size()) {
        *reason = Say(Text::kHeaderAmbiguous);
        return false;
    }
    return true;
}
