#pragma once
// What an installer file will do, as data: the facts a reader of the package finds and each
// rule the installer and this tool keep, passed or failed with the reason.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "tools/core/bmp.h"
#include "tools/core/byte_source.h"
#include "tools/core/texts.h"

struct InstallerCheck {
    Text what;
    std::string failure;  // empty: passed, else in the chosen language
    bool stopsInstall;    // false: the installer still installs, without the splash picture
    std::string note;     // passed, but worth an author's word
};

struct InstallerFacts {
    uint64_t fileSize = 0;
    bool packageFound = false;
    uint32_t stubSize = 0;  // P
    bool signatureAttached = false;
    uint32_t signatureSize = 0;
    std::string name, displayName;  // UTF-8, U+FFFD for a byte that is no code page 932 text
    std::string nameBytes;          // as the package holds it
    uint32_t saverSize = 0;
    uint16_t saverMachine = 0;      // 0: no Windows program
    bool addsRemovalEntry = false;  // its setup.exe adds an entry to Apps & features
    bool headerFound = false;
    uint32_t headerOffset = 0;                                     // Q, inside the screen saver
    int64_t firstBlock = -1, secondBlock = -1, splashLength = -1;  // X, Y, N; -1: cut off
    bool splashDescribed = false;
    DibFacts splash = {};
    std::vector<InstallerCheck> checks;
    bool installs = false;
    bool extractable = false;  // its package reads as the installer reads it: extract takes it
};

// The installer maps its whole own file into its 2 GiB address space. Under Wine an installer
// of 1,124,097,016 bytes installed and one of 1,132,485,624 did not (no room for the view);
// 1 GiB leaves a margin for systems whose address space is more broken up.
constexpr uint64_t kMaxInstallerSize = uint64_t{1} << 30;
// What a screen saver may hold so that the installer stays within it: the stub and the
// package's name field take the rest.
constexpr uint64_t kMaxSaverSize = kMaxInstallerSize - (uint64_t{32} << 10);
std::string SizeLimitText();

// What an author should know of the splash picture `dib` (a packed DIB) that does not stop the
// install: the size it adds to a large installer, and that a picture larger than the smallest
// screen (1024 x 768) is cut there. Empty when nothing is.
std::string SplashNote(const uint8_t* dib, size_t length);

InstallerFacts InspectInstaller(const uint8_t* file, size_t length);
InstallerFacts InspectInstaller(const ByteSource& file);

// Joins stub and screen saver under `name` (UTF-8 text, stored as code page 932) into `out`;
// false with the first failed rule (of the name, the package writer or the checks above) as
// the reason.
bool BuildInstaller(const std::vector<uint8_t>& stub, const std::vector<uint8_t>& saver,
                    const std::string& name, std::vector<uint8_t>* out, std::string* reason);

// The same without holding the screen saver: the bytes that go before it, into `head`, and
// what inspect finds in the installer they make, into `facts` when given.
bool WriteInstallerHead(const uint8_t* stub, uint32_t stubLength, const ByteSource& saver,
                        const std::string& name, std::vector<uint8_t>* head, std::string* reason,
                        InstallerFacts* facts = nullptr);

std::string FormatInspectText(const InstallerFacts& facts);
std::string FormatInspectJson(const InstallerFacts& facts);
// The names of its checks in the chosen language, as a JSON array in their order.
std::string FormatCheckNamesJson(const InstallerFacts& facts);
