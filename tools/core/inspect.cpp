#include "tools/core/inspect.h"

#include <string.h>

#include <algorithm>

#include "installer/package.h"
#include "tools/core/names.h"
#include "tools/core/package_source.h"
#include "tools/core/saver_program.h"
#include "render/dib.h"
#include "render/layout.h"
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

// `failure` makes the reason, only for a check that fails: the fuzzers inspect each file three
// ways, and the texts of checks that pass were most of that work.
template <typename Failure>
void Check(InstallerFacts* facts, Text what, bool stopsInstall, bool ok, const Failure& failure) {
    facts->checks.push_back({what, ok ? std::string() : std::string(failure()), stopsInstall, ""});
}

void InspectSaver(const ByteSource& file, uint64_t from, uint32_t length, InstallerFacts* f) {
    // The installer still writes a file that is no program (it never runs), but none built for
    // a machine no Windows of ours runs.
    uint16_t machine = f->saverMachine = ReadSaverMachine(file, from, length);
    Check(f, Text::kCheckProgram, machine != 0, IsMachineWindowsRuns(machine),
          [&] { return machine ? MachineAndPlace(machine) : Say(Text::kNotWindowsProgram); });
    SplashLocation splash;
    f->headerFound = LocateSplashIn(file, from, length, &f->headerOffset, &splash);
    Check(f, Text::kCheckDataHeader, true, f->headerFound, [] { return Say(Text::kNoDataHeader); });
    if (!f->headerFound)
        return;
    uint64_t q = from + f->headerOffset, available = length - f->headerOffset;
    uint8_t word[4];
    if (available >= kFirstBlockOffset && file.Read(q + kSplashDibLengthOffset, 4, word)) {
        f->splashLength = Read32(word);
        if (file.Read(q + kFirstBlockLengthOffset, 4, word))
            f->firstBlock = Read32(word);
    }
    if (f->firstBlock >= 0 && kFirstBlockOffset + uint64_t(f->firstBlock) + 4 <= available &&
        file.Read(q + kFirstBlockOffset + f->firstBlock, 4, word))
        f->secondBlock = Read32(word);
    Check(f, Text::kCheckDataHeaderInside, false, splash.complete,
          [] { return Say(Text::kDataHeaderCutOff); });
    std::vector<uint8_t> dib;
    if (!splash.complete || splash.length == 0 ||
        !ReadRange(file, from + splash.offset, splash.length, &dib))
        return;
    f->splashDescribed = DescribeDib(dib.data(), splash.length, &f->splash);
    Check(f, Text::kCheckSplashPicture, false, IsSplashDibComplete(dib.data(), splash.length),
          [] { return Say(Text::kSplashNotDrawable); });
    if (f->checks.back().failure.empty())
        f->checks.back().note = SplashNote(dib.data(), splash.length);
}

}  // namespace

std::string SplashNote(const uint8_t* dib, size_t length) {
    const int kScreenWidth = 1024, kScreenHeight = 768;
    const int64_t roomWidth = kScreenWidth - GetSplashOrigin(kScreenHeight, 0).x;
    DibFacts facts;
    if (!DescribeDib(dib, length, &facts))
        return "";
    int64_t width = facts.width, height = facts.height < 0 ? -int64_t{facts.height} : facts.height;
    std::string note;
    if (length > (1u << 20))
        note = Say(Text::kSplashAddsBytes, {std::to_string(length)});
    if (width > roomWidth || height > kScreenHeight)
        note += (note.empty() ? "" : "; ") +
                Say(Text::kSplashCut, {std::to_string(roomWidth), std::to_string(kScreenHeight)});
    return note;
}

std::string SizeLimitText() {
    return Say(Text::kSizeLimit,
               {std::to_string(kMaxInstallerSize), std::to_string(kMaxSaverSize)});
}

InstallerFacts InspectInstaller(const uint8_t* file, size_t length) {
    return InspectInstaller(MemorySource(file, length));
}

InstallerFacts InspectInstaller(const ByteSource& file) {
    InstallerFacts f;
    uint64_t length = f.fileSize = file.Size();
    Check(&f, Text::kCheckSize, true, length <= kMaxInstallerSize, [&] {
        return Say(Text::kFileTooLarge, {std::to_string(length), SizeLimitText()});
    });
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint64_t p = 0;
    bool fits = length <= 0xFFFFFFFFu;
    bool found = fits && file.FindMarker(0, length, marker, &p);
    f.packageFound = found && length - p >= kSaverImageOffset;
    Check(&f, Text::kCheckPackage, true, f.packageFound, [&] {
        return Say(!fits ? Text::kFileOf4GiB : !found ? Text::kNoMarker : Text::kPackageCutShort);
    });
    if (!f.packageFound)
        return f;
    // The installer's own reading decides where the screen saver ends; what it leaves out after
    // it is an attached signature's certificate table.
    std::vector<uint8_t> prefix;
    PackageLayout layout;
    bool readable = ReadPackageIn(file, static_cast<uint32_t>(p), &prefix, &layout);
    if (prefix.size() < p + kSaverImageOffset)
        return f;
    f.extractable = readable;
    f.stubSize = static_cast<uint32_t>(p);
    // A setup.exe that adds the entry holds the command it registers there.
    static const char kCommand[] = "\"\0 \0/\0u\0n\0i\0n\0s\0t\0a\0l\0l\0";  // UTF-16
    auto stubEnd = prefix.begin() + static_cast<ptrdiff_t>(p);
    f.addsRemovalEntry =
        std::search(prefix.begin(), stubEnd, kCommand, kCommand + sizeof kCommand - 1) != stubEnd;
    const char* field = reinterpret_cast<const char*>(prefix.data() + p + kSaverNameFieldOffset);
    bool terminated = memchr(field, 0, kSaverNameFieldLength) != nullptr;
    f.nameBytes = terminated ? std::string(field) : std::string(field, kSaverNameFieldLength);
    size_t bad = 0;
    bool text = DecodeCp932(f.nameBytes, &f.name, &bad);
    DecodeCp932(DisplayName(f.nameBytes), &f.displayName);
    Check(&f, Text::kCheckName, true, terminated && IsSafeSaverName(field),
          [&] { return Say(terminated ? Text::kNameUnsafe : Text::kNameUnterminated); });
    // The installer turns the name into UTF-16 and stops where that fails.
    Check(&f, Text::kCheckNameText, true, text,
          [&] { return NotCp932TextReason(f.nameBytes, bad); });
    std::string unfit;
    if (text)
        Check(&f, Text::kCheckFileName, true, CheckFileName(f.name, &unfit), [&] { return unfit; });
    Check(&f, Text::kCheckTargetPath, true, f.nameBytes.size() <= kMaxSaverNameLength, [&] {
        return Say(Text::kNameTooLong,
                   {std::to_string(f.nameBytes.size()), std::to_string(kMaxSaverNameLength)});
    });
    Check(&f, Text::kCheckNotWindowsOwn, true, !IsWindowsOwnSaverName(f.name),
          [] { return Say(Text::kNameWindowsOwn); });
    uint32_t rest = static_cast<uint32_t>(length - p - kSaverImageOffset);
    f.saverSize = readable ? layout.saverImageLength : rest;
    f.signatureSize = rest - f.saverSize;
    f.signatureAttached = f.signatureSize != 0;
    InspectSaver(file, p + kSaverImageOffset, f.saverSize, &f);
    f.installs = true;
    for (const InstallerCheck& c : f.checks)
        f.installs = f.installs && (c.failure.empty() || !c.stopsInstall);
    return f;
}

bool BuildInstaller(const std::vector<uint8_t>& stub, const std::vector<uint8_t>& saver,
                    const std::string& name, std::vector<uint8_t>* out, std::string* reason) {
    if (stub.size() > 0xFFFFFFFFu ||
        !WriteInstallerHead(stub.data(), static_cast<uint32_t>(stub.size()), MemorySource(saver),
                            name, out, reason))
        return false;
    out->insert(out->end(), saver.begin(), saver.end());
    return true;
}

bool WriteInstallerHead(const uint8_t* stub, uint32_t stubLength, const ByteSource& saver,
                        const std::string& name, std::vector<uint8_t>* head, std::string* reason,
                        InstallerFacts* facts) {
    if (saver.Size() > 0xFFFFFFFFu) {
        *reason = Say(Text::kReaches4GiB);
        return false;
    }
    std::string stored;
    if (!PackageName(name, &stored, reason))
        return false;
    uint32_t saverLength = static_cast<uint32_t>(saver.Size());
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint64_t at;
    // An installer packed again would install an installer as the screen saver.
    if (saver.FindMarker(0, saverLength, marker, &at)) {
        *reason = Say(Text::kSaverIsInstaller);
        return false;
    }
    uint32_t q;
    SplashLocation splash;
    bool headerFound = LocateSplashIn(saver, 0, saverLength, &q, &splash);
    head->assign(InstallerHeadSize(stubLength, saverLength), 0);
    const char* refusal = nullptr;
    if (!WriteInstallerHead(stub, stubLength, saverLength, headerFound, &splash, stored.c_str(),
                            head->data(), &refusal)) {
        *reason = SayEnglish(refusal);
        return false;
    }
    MemorySource headSource(*head);
    InstallerFacts made = InspectInstaller(JoinedSource({&headSource, &saver}));
    if (!made.packageFound || made.stubSize != head->size() - kSaverImageOffset) {
        *reason = Say(Text::kProgramHasMarker);
        return false;
    }
    if (facts)
        *facts = made;
    for (const InstallerCheck& c : made.checks) {
        if (!c.failure.empty()) {
            *reason = c.failure;
            return false;
        }
    }
    return true;
}
