// Feeds hostile paths to the path operations and the unique-name rules, and hostile headers to
// the splash guard. Paths sit in heap blocks of exactly 260 bytes, so AddressSanitizer sees any
// access past a path buffer; the first input byte stretches the path towards that limit, where
// overruns live.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "render/dib.h"
#include "support/unique_names.h"

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    uint8_t Byte(size_t i) const { return i < size ? data[i] : 0; }
};

// Answers "taken" while bits of the input say so, so the loops run for a while and stop.
struct Probes {
    Input input = {};
    size_t calls = 0;
    std::string tempFolder;
    static int Matches(const char* pattern, void* context) {
        auto* self = static_cast<Probes*>(context);
        if (strlen(pattern) >= kPathBufferSize)
            abort();  // a probe the platform could not take
        return self->calls++ < 8 && (self->input.Byte(self->calls) & 1);
    }
    static FolderEntry FindEntry(const char*, void* context) {
        return static_cast<FolderEntry>(static_cast<Probes*>(context)->input.Byte(1) % 3);
    }
    static void TempFolder(char* buffer, void* context) {
        auto* self = static_cast<Probes*>(context);
        if (!self->tempFolder.empty())
            strcpy(buffer, self->tempFolder.c_str());
    }
    static int Stamp(char* buffer, void*) {
        StampTime time = {2002, 2, 6, 9, 5, 3, 7};
        return FormatStamp(time, buffer);
    }
    static void Wait(void*) {}
    NameProbes Get() { return {Matches, FindEntry, TempFolder, Stamp, Wait, this}; }
};

// A path buffer of exactly 260 bytes, filled with `text`, the rest left unset.
char* PathBlock(const std::string& text) {
    char* block = static_cast<char*>(malloc(kPathBufferSize));
    memcpy(block, text.c_str(), text.size() + 1);
    return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 4096)
        return 0;
    // The fuzz build traps unsigned wrap-around too, so a header whose sizes wrap is caught.
    IsSplashDibComplete(data + 2, static_cast<uint32_t>(size - 2));

    Input input = {data, size};
    std::string text(reinterpret_cast<const char*>(data + 2),
                     strnlen(reinterpret_cast<const char*>(data + 2), size - 2));
    if (data[0] & 1)
        text.insert(0, 230 + data[0] % 30, 'a');
    if (text.size() >= kPathBufferSize)
        text.resize(kPathBufferSize - 1);

    char* path = PathBlock(text);
    GetFileNamePart(path);
    GetExtensionPart(path);
    EndsWithSeparator(path);
    if (text.size() + 2 < kPathBufferSize) {
        SetExtension(path, "*");
    }
    free(path);

    Probes probes;
    probes.input = input;
    probes.tempFolder = data[1] & 4 ? text.substr(0, text.size() / 2) : "";
    path = PathBlock(text);
    MakeNumberedFileNameWith(path, probes.Get());
    free(path);
    char* output = PathBlock("");
    MakeUniqueTempNameWith(data[1] & 8 ? nullptr : text.c_str(), output, probes.Get());
    MakeTempFolderNameWith(output, probes.Get());
    free(output);
    char* stem = PathBlock(text);
    StripCounter(stem);
    free(stem);
    return 0;
}
