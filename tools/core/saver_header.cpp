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
    if (!MakeSaverDataBlocks(saver, splash, tail, reason))
        return false;
    tail->insert(tail->end(), splash.begin(), splash.end());
    return true;
}

bool MakeSaverDataBlocks(const ByteSource& saver, const std::vector<uint8_t>& splash,
                         std::vector<uint8_t>* blocks, std::string* reason) {
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
    blocks->assign(kSplashAfterBlocks, 0);
    std::copy(marker, marker + kMarkerLength, blocks->begin());
    for (int i = 0; i < 4; ++i)
        (*blocks)[kSplashDibLengthOffset + i] = static_cast<uint8_t>(splash.size() >> (8 * i));
    // A saver ending in the marker's first bytes would make the installer find a header that
    // starts inside the saver: read back what the installer reads.
    MemorySource blocksSource(*blocks), splashSource(splash);
    JoinedSource file({&saver, &blocksSource, &splashSource});
    uint32_t q;
    SplashLocation found;
    if (!LocateSplashIn(file, 0, static_cast<uint32_t>(file.Size()), &q, &found) ||
        found.offset != saverLength + kSplashAfterBlocks || found.length != splash.size()) {
        *reason = Say(Text::kHeaderAmbiguous);
        return false;
    }
    return true;
}
