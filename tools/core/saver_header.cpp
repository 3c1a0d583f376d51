#include "tools/core/saver_header.h"

#include "installer/package.h"
#include "render/dib.h"
#include "tools/core/texts.h"

#include <algorithm>

bool AppendSaverDataHeader(const std::vector<uint8_t>& saver, const std::vector<uint8_t>& splash,
                           std::vector<uint8_t>* out, std::string* reason) {
    *out = saver;
    out->resize(saver.size() + kSplashAfterBlocks + splash.size());
    return WriteSaverDataHeader(out->data(), saver.size(), splash, reason);
}

bool WriteSaverDataHeader(uint8_t* file, size_t saverLength, const std::vector<uint8_t>& splash,
                          std::string* reason) {
    char marker[kMarkerBufferSize];
    BuildSaverBoundary(marker);
    uint32_t position;
    if (saverLength > 0xFFFFFFFFu - kSplashAfterBlocks - splash.size()) {
        *reason = Say(Text::kSaverReaches4GiB);
        return false;
    }
    if (FindMarker(file, static_cast<uint32_t>(saverLength), marker, &position)) {
        *reason = Say(Text::kHasDataHeader, {std::to_string(position)});
        return false;
    }
    if (!splash.empty() &&
        !IsSplashDibComplete(splash.data(), static_cast<uint32_t>(splash.size()))) {
        *reason = Say(Text::kSplashUnfit);
        return false;
    }
    // Zero fills the unread screen saver data, X, Y and the four bytes after the second block.
    std::vector<uint8_t> header(kSplashAfterBlocks, 0);
    std::copy(marker, marker + kMarkerLength, header.begin());
    for (int i = 0; i < 4; ++i)
        header[kSplashDibLengthOffset + i] = static_cast<uint8_t>(splash.size() >> (8 * i));
    std::copy(header.begin(), header.end(), file + saverLength);
    std::copy(splash.begin(), splash.end(), file + saverLength + kSplashAfterBlocks);
    // A saver ending in the marker's first bytes would make the installer find a header that
    // starts inside the saver: read back what the installer reads.
    SplashLocation found;
    uint32_t total = static_cast<uint32_t>(saverLength + kSplashAfterBlocks + splash.size());
    if (!LocateSplashDib(file, total, &found) || found.offset != saverLength + kSplashAfterBlocks ||
        found.length != splash.size()) {
        *reason = Say(Text::kHeaderAmbiguous);
        return false;
    }
    return true;
}
