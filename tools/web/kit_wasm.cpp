// The kit's functions for the page (tools/web/make-installer.html), compiled to WebAssembly: the
// same calls as make-installer's header, build, inspect and extract. The page runs them in a
// worker, which lends the kit the author's file through kit_read_file, synchronously, a range
// at a time: the kit holds the bytes it checks and searches the rest without keeping it.
//
// The installer the page saves is three parts, kit_head, the author's own file and kit_tail
// (the data header the page added, and its picture). Results are read back through kit_text
// (a reason, or inspect's facts as JSON); for an installer that was dropped, kit_range_* give
// the screen saver inside it, as extract writes it.
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
#include "tools/core/builtin_stub.h"
#include "tools/core/byte_source.h"
#include "tools/core/dib_pixels.h"
#include "tools/core/inspect.h"
#include "tools/core/package_source.h"
#include "tools/core/picture.h"
#include "tools/core/saver_header.h"
#include "tools/core/saver_program.h"

#define KIT_EXPORT(name) extern "C" __attribute__((export_name(#name)))

// The page's answer: [offset, offset + length) of the author's file copied to `out`; 0 when
// the file could not be read.
extern "C" __attribute__((import_module("kit"), import_name("read_file"))) int ReadFile(
    double offset, uint32_t length, uint8_t* out);

namespace {

// The author's file, lent by the page.
class PageFile : public ByteSource {
public:
    explicit PageFile(uint64_t size) : size_(size) {}
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override {
        return ReadFile(static_cast<double>(offset), static_cast<uint32_t>(length), out) != 0;
    }

private:
    uint64_t size_;
};

struct Session {
    std::vector<uint8_t> splash;  // the packed DIB, when a picture was given
    PageFile file{0};
    ScannedSource saver{file};
    std::vector<uint8_t> head, tail;  // the tail without the splash, which follows it
    std::vector<uint8_t> room;        // where the page puts each piece of the file
    std::string text;
    std::string names;  // the checks' names in the chosen language, a JSON array
    uint32_t rangeOffset = 0, rangeLength = 0;
    int32_t numbers[8] = {};
    std::vector<uint8_t> pixels;  // the splash as RGBA, for the preview
    std::string report;           // inspect's report of an installer, in the chosen language
};
Session session;

// Inspect's facts as JSON into kit_text, the names of its checks into kit_check_names.
void Tell(const InstallerFacts& facts) {
    session.text = FormatInspectJson(facts);
    session.names = FormatCheckNamesJson(facts);
}

int Refuse(const std::string& reason) {
    session.text = reason;
    return 0;
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

// What inspect says of the installer kit_take_saver last found.
KIT_EXPORT(kit_report) const char* KitReport() {
    return session.report.c_str();
}

// The names of the checks whose facts kit_text holds, as a JSON array in the chosen language.
KIT_EXPORT(kit_check_names) const char* KitCheckNames() {
    return session.names.c_str();
}

// 1: reasons and facts in Japanese from now on; 0: in English.
KIT_EXPORT(kit_language) void KitLanguage(int japanese) {
    SetLanguage(japanese ? Language::kJapanese : Language::kEnglish);
}

// Asked before the author's file is read: 0 with the reason when it is larger than any
// installer and any screen saver may be.
KIT_EXPORT(kit_file_size) int KitFileSize(double size) {
    if (size <= kMaxInstallerSize)
        return 1;
    return Refuse(
        Say(Text::kFileTooLarge, {std::to_string(static_cast<uint64_t>(size)), SizeLimitText()}));
}

// Asked before the picture is read: 0 with the reason when its size alone refuses it.
KIT_EXPORT(kit_picture_size) int KitPictureSize(double size) {
    std::string reason;
    return IsPictureFileSizeTaken(static_cast<uint64_t>(size), &reason) ? 1 : Refuse(reason);
}

// As header --splash: the picture file to the installer's DIB. 0 with the reason.
KIT_EXPORT(kit_picture) int KitPicture(const uint8_t* file, size_t length) {
    std::string reason;
    if (!PictureToPackedDib(file, length, &session.splash, &reason))
        return Refuse(reason);
    return 1;
}

// The author's file, of `size` bytes, given front to back in pieces of at most `room` bytes
// at the address this returns: kit_scan_feed takes each, and says 0 when it needs no more.
KIT_EXPORT(kit_scan_room) uint8_t* KitScanRoom(double size, uint32_t room) {
    session.file = PageFile(static_cast<uint64_t>(size));
    session.saver = ScannedSource(session.file);
    session.room.resize(room);
    return session.room.data();
}

KIT_EXPORT(kit_scan_feed) int KitScanFeed(uint32_t length) {
    return session.saver.Feed(session.room.data(), length);
}

// Then what the kit makes of it, reading more through kit_read_file where it must: 2 for an
// installer already built (kit_text its facts as JSON), 1 for a screen saver ready to be
// packed, with a data header added as `header` adds it when it has none or a picture was
// given, 0 refused with the reason.
KIT_EXPORT(kit_take_saver) int KitTakeSaver() {
    const ByteSource& saver = session.saver;
    InstallerFacts facts = InspectInstaller(saver);
    if (facts.packageFound) {
        Tell(facts);
        session.rangeOffset = facts.stubSize + kSaverImageOffset;
        session.rangeLength = facts.extractable ? facts.saverSize : 0;
        session.report = FormatInspectText(facts);
        // Its splash picture, for the preview.
        uint64_t from = session.rangeOffset;
        uint32_t q;
        SplashLocation where;
        session.splash.clear();
        if (LocateSplashIn(saver, from, facts.saverSize, &q, &where) && where.complete)
            ReadRange(saver, from + where.offset, where.length, &session.splash);
        return 2;
    }
    if (saver.Size() == 0)
        return Refuse(Say(Text::kEmptyFile));
    if (saver.Size() > kMaxSaverSize)
        return Refuse(Say(Text::kTooLarge, {SizeLimitText()}));
    if (!ReadSaverMachine(saver, 0, saver.Size()))
        return Refuse(Say(Text::kNotWindowsProgram));
    char marker[kMarkerBufferSize];
    BuildSaverBoundary(marker);
    uint64_t at;
    session.tail.clear();
    if (!session.splash.empty() || !saver.FindMarker(0, saver.Size(), marker, &at)) {
        std::string reason;
        if (!MakeSaverDataBlocks(saver, session.splash, &session.tail, &reason))
            return Refuse(reason);
        if (saver.Size() + session.tail.size() + session.splash.size() > kMaxSaverSize)
            return Refuse(Say(Text::kTooLargeWithHeader, {SizeLimitText()}));
    }
    return 1;
}

// As build --name: the stub, padding and package header before the screen saver, into
// kit_head. 1 with the installer's facts as JSON in kit_text, 0 with the reason.
KIT_EXPORT(kit_package) int KitPackage(const char* name) {
    uint32_t stubLength = static_cast<uint32_t>(kBuiltInStubSize);
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint32_t at;
    if (FindMarker(kBuiltInStub, stubLength, marker, &at))
        return Refuse(Say(Text::kProgramHasMarker));
    MemorySource tail(session.tail), splash(session.splash);
    JoinedSource saver({&session.saver, &tail, &splash});
    std::string reason;
    InstallerFacts facts;
    if (!WriteInstallerHead(kBuiltInStub, stubLength, saver, name, &session.head, &reason, &facts))
        return Refuse(reason);
    Tell(facts);
    return 1;
}

KIT_EXPORT(kit_head) const uint8_t* KitHead() {
    return session.head.data();
}

KIT_EXPORT(kit_head_length) uint32_t KitHeadLength() {
    return static_cast<uint32_t>(session.head.size());
}

KIT_EXPORT(kit_tail) const uint8_t* KitTail() {
    return session.tail.data();
}

KIT_EXPORT(kit_tail_length) uint32_t KitTailLength() {
    return static_cast<uint32_t>(session.tail.size());
}

// The splash picture after the tail: given apart, so that the largest block is held once.
KIT_EXPORT(kit_tail_splash) const uint8_t* KitTailSplash() {
    return session.splash.data();
}

KIT_EXPORT(kit_tail_splash_length) uint32_t KitTailSplashLength() {
    return static_cast<uint32_t>(session.splash.size());
}

// After kit_take_saver gave 2: the screen saver inside the installer, as extract writes it.
KIT_EXPORT(kit_range_offset) uint32_t KitRangeOffset() {
    return session.rangeOffset;
}

KIT_EXPORT(kit_range_length) uint32_t KitRangeLength() {
    return session.rangeLength;
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

// The splash picture given to kit_picture as RGBA rows, black transparent, once: what of it
// the largest screen offered shows, its width and height and the address of the rows. The
// picture itself is let go. Null without a picture.
KIT_EXPORT(kit_splash_rgba) const int32_t* KitSplashRgba(int screenWidth, int screenHeight) {
    uint32_t w, h;
    LayoutPoint at = GetSplashOrigin(screenHeight, 0);
    if (screenWidth <= at.x || screenHeight <= 0 ||
        !DibToRgba(session.splash.data(), session.splash.size(), &session.pixels, &w, &h,
                   static_cast<uint32_t>(screenWidth - at.x), static_cast<uint32_t>(screenHeight)))
        return nullptr;
    std::vector<uint8_t>().swap(session.splash);
    return Give({static_cast<int32_t>(w), static_cast<int32_t>(h),
                 static_cast<int32_t>(reinterpret_cast<uintptr_t>(session.pixels.data()))});
}

// Where the installer puts a splash picture `splashHeight` rows high on a screen `height` rows
// high: x and y.
KIT_EXPORT(kit_layout_splash) const int32_t* KitLayoutSplash(int height, int splashHeight) {
    LayoutPoint at = GetSplashOrigin(height, splashHeight);
    return Give({at.x, at.y});
}
