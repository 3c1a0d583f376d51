#include "tools/inspect.h"

#include <string.h>

#include "installer/package.h"
#include "render/dib.h"
#include "support/path.h"

namespace {

uint32_t Read16(const uint8_t* p) {
    return p[0] | p[1] << 8;
}

uint32_t Read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The PE security data directory (entry 4) of the stub: where an Authenticode signature's
// certificate table is attached. Offsets: e_lfanew at 0x3C; the optional header 24 bytes after
// "PE\0\0", its directories at 96 (PE32) or 112 (PE32+).
void ReadSignature(const uint8_t* stub, uint32_t length, InstallerFacts* facts) {
    if (length < 0x40 || stub[0] != 'M' || stub[1] != 'Z')
        return;
    uint64_t pe = Read32(stub + 0x3C);
    if (pe + 24 + 2 > length || memcmp(stub + pe, "PE\0\0", 4) != 0)
        return;
    uint32_t magic = Read16(stub + pe + 24);
    uint64_t directories = pe + 24 + (magic == 0x20B ? 112 : 96);
    if ((magic != 0x10B && magic != 0x20B) || directories + 5 * 8 > length ||
        Read32(stub + directories - 4) < 5)  // NumberOfRvaAndSizes
        return;
    facts->signatureSize = Read32(stub + directories + 4 * 8 + 4);
    facts->signatureAttached = Read32(stub + directories + 4 * 8) != 0 && facts->signatureSize != 0;
}

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

void Check(InstallerFacts* facts, const char* what, bool stopsInstall, bool ok,
           const std::string& failure) {
    facts->checks.push_back({what, ok ? "" : failure, stopsInstall});
}

void InspectSaver(const uint8_t* saver, uint32_t length, InstallerFacts* f) {
    SplashLocation splash;
    f->headerFound = LocateSplashDib(saver, length, &splash);
    Check(f, "data header", true, f->headerFound,
          "the screen saver has no data header (its saver boundary marker is missing)");
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
    Check(f, "data header inside", false, splash.complete,
          "the data header or splash picture reaches past the end of the screen saver; the "
          "installer shows no splash");
    if (!splash.complete || splash.length == 0)
        return;
    const uint8_t* dib = saver + splash.offset;
    f->splashDescribed = DescribeDib(dib, splash.length, &f->splash);
    Check(f, "splash picture", false, IsSplashDibComplete(dib, splash.length),
          "the splash picture is not whole or not drawable; the installer's guard leaves it out");
}

}  // namespace

InstallerFacts InspectInstaller(const uint8_t* file, size_t length) {
    InstallerFacts f;
    f.fileSize = length;
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint32_t p = 0;
    bool fits = length <= 0xFFFFFFFFu;
    bool found = fits && FindMarker(file, static_cast<uint32_t>(length), marker, &p);
    f.packageFound = found && length - p >= kSaverImageOffset;
    Check(&f, "package", true, f.packageFound,
          !fits    ? "the file is 4 GiB or larger"
          : !found ? "no package: the setup boundary marker is missing"
                   : "the package is cut short before the end of its name field");
    if (!f.packageFound)
        return f;
    f.stubSize = p;
    ReadSignature(file, p, &f);
    const char* field = reinterpret_cast<const char*>(file + p + kSaverNameFieldOffset);
    bool terminated = memchr(field, 0, kSaverNameFieldLength) != nullptr;
    f.name = terminated ? std::string(field) : std::string(field, kSaverNameFieldLength);
    f.displayName = DisplayName(f.name);
    Check(&f, "name", true, terminated && IsSafeSaverName(field),
          !terminated ? "the name field has no terminating zero byte"
                      : "the name is empty, leaves the system folder (\"..\", \":\", leading \\ "
                        "or /) or names a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9)");
    Check(&f, "target path", true, f.name.size() <= kMaxSaverNameLength,
          "the name has " + std::to_string(f.name.size()) + " bytes; under the longest system " +
              "folder only " + std::to_string(kMaxSaverNameLength) + " fit");
    f.saverSize = static_cast<uint32_t>(length - p - kSaverImageOffset);
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
        *reason = "the installer would reach 4 GiB";
        return false;
    }
    out->assign(size, 0);
    const char* refusal = nullptr;
    if (!WriteInstallerFile(stub.data(), static_cast<uint32_t>(stub.size()), saver.data(),
                            static_cast<uint32_t>(saver.size()), name.c_str(), out->data(),
                            &refusal)) {
        *reason = refusal;
        return false;
    }
    for (const InstallerCheck& c : InspectInstaller(out->data(), out->size()).checks) {
        if (!c.failure.empty()) {
            *reason = c.failure;
            return false;
        }
    }
    return true;
}
