// The kit's functions for the page (tools/web/make-installer.html), compiled to WebAssembly: the
// same calls as make-installer's header, build, inspect and extract, on one buffer that the
// page fills with the screen saver's bytes in pieces, so that it is held only once.
//
// The buffer, laid out as the installer with room for the longest padding before it:
//
//   slack (7 - padding) | stub | padding | package header | screen saver | data header | picture
//
// Results are read back through kit_text (a reason, or inspect's facts as JSON) and two
// ranges, kit_range_* before the screen saver and kit_tail_* after it: the installer is those
// two around the page's own file. One instance serves one screen saver: the page makes a new
// one for the next, which gives the memory back.
//
// For the preview, the progress screen's layout comes out as a few 32-bit numbers at the
// address each kit_layout_* call gives, and the splash picture as RGBA rows, so that the page
// draws from the installer's own geometry and writes none of it again.
#include <stdlib.h>
#include <string.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "installer/package.h"
#include "render/layout.h"
#include "support/little_endian.h"
#include "tools/core/builtin_stub.h"
#include "tools/core/dib_pixels.h"
#include "tools/core/inspect.h"
#include "tools/core/picture.h"
#include "tools/core/saver_header.h"

#define KIT_EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace {

constexpr uint32_t kLongestPadding = 7;

struct Session {
    std::vector<uint8_t> splash;  // the packed DIB, when a picture was given
    uint8_t* buffer = nullptr;
    uint32_t saverLength = 0;
    uint32_t withHeader = 0;  // saver and added data header
    std::string text;
    uint32_t rangeOffset = 0, rangeLength = 0;
    int32_t numbers[8] = {};
    std::vector<uint8_t> pixels;  // the splash as RGBA, for the preview
};
Session session;

uint32_t HeadRoom() {
    return static_cast<uint32_t>(kBuiltInStubSize) + kLongestPadding + kSaverImageOffset;
}

uint8_t* Saver() {
    return session.buffer + HeadRoom();
}

int Refuse(const std::string& reason) {
    session.text = reason;
    return 0;
}

// A screen saver is a Windows program: "MZ" and, where that header points, "PE\0\0".
bool IsWindowsProgram(const uint8_t* file, uint32_t length) {
    if (length < 0x40 || file[0] != 'M' || file[1] != 'Z')
        return false;
    uint64_t pe = Read32(file + 0x3C);
    return pe + 4 <= length && memcmp(file + pe, "PE\0\0", 4) == 0;
}

const int32_t* Give(std::initializer_list<int32_t> numbers) {
    int32_t* out = session.numbers;
    for (int32_t n : numbers)
        *out++ = n;
    return session.numbers;
}

}  // namespace

KIT_EXPORT(kit_alloc) void* KitAlloc(size_t size) {
    return malloc(size);
}

KIT_EXPORT(kit_free) void KitFree(void* block) {
    free(block);
}

KIT_EXPORT(kit_text) const char* KitText() {
    return session.text.c_str();
}

// As header --splash: the picture file to the installer's DIB. 0 with the reason.
KIT_EXPORT(kit_picture) int KitPicture(const uint8_t* file, size_t length) {
    std::string reason;
    if (!PictureToPackedDib(file, length, &session.splash, &reason))
        return Refuse(reason);
    return 1;
}

// Room for a screen saver of `length` bytes: where the page writes them, or null when it is
// too large (the reason in kit_text).
KIT_EXPORT(kit_saver_room) uint8_t* KitSaverRoom(uint32_t length) {
    if (length > kMaxSaverSize) {
        Refuse("too large: " + SizeLimitText());
        return nullptr;
    }
    session.saverLength = length;
    session.buffer = static_cast<uint8_t*>(
        malloc(uint64_t{HeadRoom()} + length + kSplashAfterBlocks + session.splash.size()));
    if (!session.buffer)
        Refuse("too large for the memory this page can take");
    return session.buffer ? Saver() : nullptr;
}

// Once the screen saver is in: 2 for an installer already built (kit_text its facts as JSON),
// 1 for a screen saver ready to be packed, with a data header added as `header` adds it when it
// has none or a picture was given, 0 refused with the reason.
KIT_EXPORT(kit_take_saver) int KitTakeSaver() {
    const uint8_t* saver = Saver();
    uint32_t length = session.saverLength;
    InstallerFacts facts = InspectInstaller(saver, length);
    if (facts.packageFound) {
        session.text = FormatInspectJson(facts);
        PackageLayout layout;
        if (LocatePackage(saver, length, &layout)) {
            session.rangeOffset = static_cast<uint32_t>(layout.saverImage - saver);
            session.rangeLength = layout.saverImageLength;
        }
        return 2;
    }
    if (length == 0)
        return Refuse("the file is empty");
    if (!IsWindowsProgram(saver, length))
        return Refuse("not a screen saver: this file is no Windows program");
    char marker[kMarkerBufferSize];
    BuildSaverBoundary(marker);
    uint32_t at;
    session.withHeader = length;
    if (!session.splash.empty() || !FindMarker(saver, length, marker, &at)) {
        std::string reason;
        if (!WriteSaverDataHeader(Saver(), length, session.splash, &reason))
            return Refuse(reason);
        session.withHeader = length + kSplashAfterBlocks + session.splash.size();
        if (session.withHeader > kMaxSaverSize)
            return Refuse("too large with its data header: " + SizeLimitText());
    }
    return 1;
}

// As build --name: the stub, padding and package header before the screen saver. 1 with the
// installer's facts as JSON in kit_text, 0 with the reason.
KIT_EXPORT(kit_package) int KitPackage(const char* name) {
    uint32_t stubLength = static_cast<uint32_t>(kBuiltInStubSize);
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint32_t at;
    if (FindMarker(kBuiltInStub, stubLength, marker, &at))
        return Refuse("the built-in stub already contains the setup boundary marker");
    uint64_t size = InstallerFileSize(stubLength, session.withHeader);
    uint8_t* start = Saver() + session.withHeader - size;
    std::string reason;
    if (!WriteInstaller(kBuiltInStub, stubLength, Saver(), session.withHeader, name, start,
                        &reason))
        return Refuse(reason);
    session.text = FormatInspectJson(InspectInstaller(start, size));
    session.rangeOffset = static_cast<uint32_t>(start - session.buffer);
    session.rangeLength = static_cast<uint32_t>(Saver() - start);
    return 1;
}

// After kit_package: the bytes before the screen saver. After kit_take_saver gave 2: the
// screen saver inside the installer, as extract writes it (offsets from the file's start).
KIT_EXPORT(kit_range_offset) uint32_t KitRangeOffset() {
    return session.rangeOffset;
}

KIT_EXPORT(kit_range_length) uint32_t KitRangeLength() {
    return session.rangeLength;
}

// The bytes after the screen saver: the data header the page added, and its picture.
KIT_EXPORT(kit_tail_offset) uint32_t KitTailOffset() {
    return HeadRoom() + session.saverLength;
}

KIT_EXPORT(kit_tail_length) uint32_t KitTailLength() {
    return session.withHeader - session.saverLength;
}

KIT_EXPORT(kit_buffer) uint8_t* KitBuffer() {
    return session.buffer;
}

// top, bottom, colour (0x00BBGGRR) of gradient band `index`.
KIT_EXPORT(kit_layout_band) const int32_t* KitLayoutBand(int index, int height) {
    GradientBand band = GetGradientBand(index, height);
    return Give({band.top, band.bottom, static_cast<int32_t>(band.colour), kBandCount});
}

// left, top, width, filled, height; then the colours of the filled strip, its label and the
// unfilled strip's label; then the label's font height.
KIT_EXPORT(kit_layout_bar) const int32_t* KitLayoutBar(int width, int height, int percent) {
    ProgressBarLayout bar = GetProgressBarLayout(width, height, percent);
    return Give({bar.left, bar.top, bar.width, bar.filled, kBarHeight, kFilledColour,
                 kFilledLabelColour, kUnfilledLabelColour});
}

KIT_EXPORT(kit_layout_label) const int32_t* KitLayoutLabel(int barWidth, int textWidth) {
    LayoutPoint at = GetLabelOrigin(barWidth, textWidth, kLabelFontHeight);
    return Give({at.x, at.y, kLabelFontHeight});
}

// x, y of title line `line`, the font height on a screen `width` wide and the colour. Line 2
// is under line 1 by its height, which for the font as the installer makes it is the font's.
KIT_EXPORT(kit_layout_title) const int32_t* KitLayoutTitle(int line, int width) {
    int fontHeight = GetTitleFontHeight(width);
    LayoutPoint at = GetTitleOrigin(line, fontHeight);
    return Give({at.x, at.y, fontHeight, kTitleColour});
}

// The splash picture given to kit_picture as RGBA rows, black transparent: x, y on a screen
// `height` rows high, width, height and the address of the rows. Null without a picture.
KIT_EXPORT(kit_layout_splash) const int32_t* KitLayoutSplash(int height) {
    uint32_t w, h;
    if (!DibToRgba(session.splash.data(), session.splash.size(), &session.pixels, &w, &h))
        return nullptr;
    LayoutPoint at = GetSplashOrigin(height, static_cast<int>(h));
    return Give({at.x, at.y, static_cast<int32_t>(w), static_cast<int32_t>(h),
                 static_cast<int32_t>(reinterpret_cast<uintptr_t>(session.pixels.data()))});
}
