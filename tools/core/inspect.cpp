#include "tools/core/inspect.h"

#include <string.h>

#include "installer/package.h"
#include "render/dib.h"
#include "support/little_endian.h"
#include "support/path.h"

namespace {

// As the installer derives it: the last component of the target path, without its last
// extension. The buffer has room for the longest name the field holds and the folder.
std::string DisplayName(const std::string& name) {
    char target[kSaverNameFieldLength * 2] = "C:\\WINDOWS\\SYSWOW64";
    AppendPathPart(target, name.c_str());
    char* display = GetFileNamePart(target);
    char* extension = GetExtensionPart(display);
    if (extension && *extension)
        extension[-1] = 0;
    return display;
}

// The screen savers Windows ships in its system folder: those files belong to the system, and
// a write over one is refused even to an administrator, so such an installer installs nothing.
bool IsWindowsOwnSaverName(const std::string& name) {
    static const char* const kOwn[] = {
        "aurora.scr",   "bubbles.scr",  "mystify.scr",  "photoscreensaver.scr",
        "ribbons.scr",  "scrnsave.scr", "sstext3d.scr", "ss3dfo.scr",
        "ssbezier.scr", "ssflwbox.scr", "ssmarque.scr", "ssmypics.scr",
        "ssmyst.scr",   "sspipes.scr",  "ssstars.scr",  "logon.scr"};
    std::string lower = name;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    for (const char* own : kOwn)
        if (lower == own)
            return true;
    return false;
}

void Check(InstallerFacts* facts, Text what, bool stopsInstall, bool ok,
           const std::string& failure) {
    facts->checks.push_back({what, ok ? "" : failure, stopsInstall});
}

void InspectSaver(const uint8_t* saver, uint32_t length, InstallerFacts* f) {
    SplashLocation splash;
    f->headerFound = LocateSplashDib(saver, length, &splash);
    Check(f, Text::kCheckDataHeader, true, f->headerFound, Say(Text::kNoDataHeader));
    if (!f->headerFound)
        return;
    char marker[kMarkerBufferSize];
    BuildSaverBoundary(marker);
    FindMarker(saver, length, marker, &f->headerOffset);
    uint64_t q = f->headerOffset, x = 0;
    if (q + kFirstBlockOffset <= length) {
        f->splashLength = Read32(saver + q + kSplashDibLengthOffset);
        f->firstBlock = x = Read32(saver + q + kFirstBlockLengthOffset);
    }
    if (f->firstBlock >= 0 && q + kFirstBlockOffset + x + 4 <= length)
        f->secondBlock = Read32(saver + q + kFirstBlockOffset + x);
    Check(f, Text::kCheckDataHeaderInside, false, splash.complete, Say(Text::kDataHeaderCutOff));
    if (!splash.complete || splash.length == 0)
        return;
    const uint8_t* dib = saver + splash.offset;
    f->splashDescribed = DescribeDib(dib, splash.length, &f->splash);
    Check(f, Text::kCheckSplashPicture, false, IsSplashDibComplete(dib, splash.length),
          Say(Text::kSplashNotDrawable));
}

}  // namespace

std::string SizeLimitText() {
    return Say(Text::kSizeLimit,
               {std::to_string(kMaxInstallerSize), std::to_string(kMaxSaverSize)});
}

InstallerFacts InspectInstaller(const uint8_t* file, size_t length) {
    InstallerFacts f;
    f.fileSize = length;
    Check(&f, Text::kCheckSize, true, length <= kMaxInstallerSize,
          Say(Text::kFileTooLarge, {std::to_string(length), SizeLimitText()}));
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint32_t p = 0;
    bool fits = length <= 0xFFFFFFFFu;
    bool found = fits && FindMarker(file, static_cast<uint32_t>(length), marker, &p);
    f.packageFound = found && length - p >= kSaverImageOffset;
    Check(&f, Text::kCheckPackage, true, f.packageFound,
          Say(!fits    ? Text::kFileOf4GiB
              : !found ? Text::kNoMarker
                       : Text::kPackageCutShort));
    if (!f.packageFound)
        return f;
    f.stubSize = p;
    const char* field = reinterpret_cast<const char*>(file + p + kSaverNameFieldOffset);
    bool terminated = memchr(field, 0, kSaverNameFieldLength) != nullptr;
    f.name = terminated ? std::string(field) : std::string(field, kSaverNameFieldLength);
    f.displayName = DisplayName(f.name);
    Check(&f, Text::kCheckName, true, terminated && IsSafeSaverName(field),
          Say(terminated ? Text::kNameUnsafe : Text::kNameUnterminated));
    Check(&f, Text::kCheckTargetPath, true, f.name.size() <= kMaxSaverNameLength,
          Say(Text::kNameTooLong,
              {std::to_string(f.name.size()), std::to_string(kMaxSaverNameLength)}));
    Check(&f, Text::kCheckNotWindowsOwn, true, !IsWindowsOwnSaverName(f.name),
          Say(Text::kNameWindowsOwn));
    // The installer's own reading decides where the screen saver ends; what it leaves out after
    // it is an attached signature's certificate table.
    PackageLayout layout;
    uint32_t rest = static_cast<uint32_t>(length - p - kSaverImageOffset);
    f.saverSize = LocatePackage(file, static_cast<uint32_t>(length), &layout)
                      ? layout.saverImageLength
                      : rest;
    f.signatureSize = rest - f.saverSize;
    f.signatureAttached = f.signatureSize != 0;
    InspectSaver(file + p + kSaverImageOffset, f.saverSize, &f);
    f.installs = true;
    for (const InstallerCheck& c : f.checks)
        f.installs = f.installs && (c.failure.empty() || !c.stopsInstall);
    return f;
}

bool BuildInstaller(const std::vector<uint8_t>& stub, const std::vector<uint8_t>& saver,
                    const std::string& name, std::vector<uint8_t>* out, std::string* reason) {
    uint64_t size =
        InstallerFileSize(static_cast<uint32_t>(stub.size()), static_cast<uint32_t>(saver.size()));
    if (stub.size() > 0xFFFFFFFFu || saver.size() > 0xFFFFFFFFu || size > 0xFFFFFFFFu) {
        *reason = Say(Text::kReaches4GiB);
        return false;
    }
    out->assign(size, 0);
    return WriteInstaller(stub.data(), static_cast<uint32_t>(stub.size()), saver.data(),
                          static_cast<uint32_t>(saver.size()), name, out->data(), reason);
}

bool WriteInstaller(const uint8_t* stub, uint32_t stubLength, const uint8_t* saver,
                    uint32_t saverLength, const std::string& name, uint8_t* out,
                    std::string* reason) {
    const char* refusal = nullptr;
    if (!WriteInstallerFile(stub, stubLength, saver, saverLength, name.c_str(), out, &refusal)) {
        *reason = SayEnglish(refusal);
        return false;
    }
    size_t size = static_cast<size_t>(InstallerFileSize(stubLength, saverLength));
    for (const InstallerCheck& c : InspectInstaller(out, size).checks) {
        if (!c.failure.empty()) {
            *reason = c.failure;
            return false;
        }
    }
    return true;
}
