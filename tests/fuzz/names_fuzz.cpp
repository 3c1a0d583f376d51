// Feeds hostile paths to the path operations and the unique-name rules, and hostile headers to
// the splash guard. Paths sit in a heap block of exactly 260 bytes, so AddressSanitizer sees any
// access past a path buffer; the first input byte stretches the path towards that limit, where
// overruns live.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "render/dib.h"
#include "support/unique_names.h"

namespace {

// Answers "taken" while bits of the input say so, so the loops run for a while and stop.
struct Probes {
    const uint8_t* data;
    size_t size;
    std::string tempFolder;
    size_t calls = 0;

    static Probes& Of(void* context) { return *static_cast<Probes*>(context); }
    static int Matches(const char* pattern, void* context) {
        if (strlen(pattern) >= kPathBufferSize)
            abort();  // a probe the platform could not take
        size_t call = ++Of(context).calls;
        return call <= 8 && call < Of(context).size && (Of(context).data[call] & 1);
    }
    static FolderEntry FindEntry(const char*, void* context) {
        return static_cast<FolderEntry>(Of(context).data[1] % 3);
    }
    static void TempFolder(char* buffer, void* context) {
        if (!Of(context).tempFolder.empty())
            strcpy(buffer, Of(context).tempFolder.c_str());
    }
    static int Stamp(char* buffer, void*) { return FormatStamp({2002, 2, 6, 9, 5, 3, 7}, buffer); }
    static void Wait(void*) {}
    NameProbes Get() { return {Matches, FindEntry, TempFolder, Stamp, Wait, this}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 4096)
        return 0;
    // The fuzz build traps unsigned wrap-around too, so a header whose sizes wrap is caught.
    IsSplashDibComplete(data + 2, static_cast<uint32_t>(size - 2));

    const char* rest = reinterpret_cast<const char*>(data + 2);
    std::string text(rest, strnlen(rest, size - 2));
    if (data[0] & 1)
        text.insert(0, 230 + data[0] % 30, 'a');
    text.resize(std::min(text.size(), size_t{kPathBufferSize - 1}));

    // One path buffer, refilled for each operation; what follows the terminator is left as is.
    char* path = static_cast<char*>(malloc(kPathBufferSize));
    auto fill = [path](const std::string& s) { return strcpy(path, s.c_str()); };
    GetFileNamePart(fill(text));
    GetExtensionPart(path);
    EndsWithSeparator(path);
    if (text.size() + 2 < kPathBufferSize)
        SetExtension(path, "*");

    Probes probes{data, size, data[1] & 4 ? text.substr(0, text.size() / 2) : ""};
    MakeNumberedFileNameWith(fill(text), probes.Get());
    MakeUniqueTempNameWith(data[1] & 8 ? nullptr : text.c_str(), fill(""), probes.Get());
    MakeTempFolderNameWith(path, probes.Get());
    StripCounter(fill(text));
    free(path);
    return 0;
}
