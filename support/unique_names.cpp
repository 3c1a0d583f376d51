#include "support/unique_names.h"

#include <string.h>

// Hand-made digits: the stub must not pull in the C library's formatter for a few numbers.
// Writes `value` in decimal, zero-padded to `width`, without terminator; returns the count.
static int PutDecimal(char* out, unsigned value, int width) {
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    int written = 0;
    for (; width > count; --width)
        out[written++] = '0';
    while (count)
        out[written++] = digits[--count];
    return written;
}

int FormatStamp(const StampTime& time, char* buffer) {
    char* p = buffer;
    p += PutDecimal(p, time.year, 4);
    p += PutDecimal(p, time.month, 2);
    p += PutDecimal(p, time.day, 2);
    *p++ = '_';
    p += PutDecimal(p, time.hour, 2);
    p += PutDecimal(p, time.minute, 2);
    p += PutDecimal(p, time.second, 2);
    p += PutDecimal(p, time.milliseconds, 3);
    *p = 0;
    return static_cast<int>(p - buffer);
}

int StripCounter(char* stem) {
    // The double-byte walk finds where the trailing run of one-byte digits begins, so a digit
    // after a character whose trail byte has a lead-byte value still counts. The first
    // character always stays.
    char* run = nullptr;
    for (char* p = stem; *p;) {
        if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != 0) {
            run = nullptr;
            p += 2;
            continue;
        }
        if (p != stem && *p >= '0' && *p <= '9') {
            if (!run)
                run = p;
        } else {
            run = nullptr;
        }
        ++p;
    }
    if (!run)
        return 0;
    size_t keep = static_cast<size_t>(run - stem), length = strlen(stem);
    const int kLargestStart = 2147483647;
    int value = 0;
    for (size_t i = keep; i < length; ++i) {
        int digit = stem[i] - '0';
        // The start is the value plus 1, so the value itself must stay below the largest int.
        if (value > (kLargestStart - 1 - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    stem[keep] = 0;
    return value + 1;
}

int FormatNumberedName(char* buffer, const char* folder, const char* stem, int number,
                       const char* extension) {
    char digits[10];
    int digitCount = PutDecimal(digits, static_cast<unsigned>(number), 1);
    size_t folderLength = strlen(folder), stemLength = strlen(stem);
    size_t extensionLength = strlen(extension);
    if (folderLength + stemLength + digitCount + 1 + extensionLength >= kPathBufferSize)
        return 0;
    char* p = buffer;
    memcpy(p, folder, folderLength);
    p += folderLength;
    memcpy(p, stem, stemLength);
    p += stemLength;
    memcpy(p, digits, digitCount);
    p += digitCount;
    *p++ = '.';
    memcpy(p, extension, extensionLength + 1);
    return 1;
}

// Folder, backslash, stamp, ".TMP". 0 when that would not fit in the buffer.
static int AppendStampName(char* folder, const NameProbes& probes) {
    char stamp[64];  // room for any field values, not only a real clock's
    probes.formatStamp(stamp, probes.context);
    // Room for a backslash, the stamp, ".TMP" and the terminator.
    if (strlen(folder) + 1 + strlen(stamp) + 5 > kPathBufferSize)
        return 0;
    AppendPathPart(folder, stamp);
    SetExtension(folder, "TMP");
    return 1;
}

// The folder the temporary names go into. 0 when the given folder is too long to hold.
// Fills `output` from the temporary-folder probe. 0, with `output` empty, when it gives none:
// a name is never built on whatever the buffer held before.
static int GetTempFolderWith(char* output, const NameProbes& probes) {
    output[0] = 0;
    probes.getTempFolder(output, probes.context);
    return output[0] != 0;
}

static int ChooseFolder(const char* folder, char* chosen, const NameProbes& probes) {
    FolderEntry entry = folder ? probes.findEntry(folder, probes.context) : kNoEntry;
    if (entry == kDirectoryEntry || (entry == kNoEntry && folder && *folder)) {
        if (strlen(folder) >= kPathBufferSize)
            return 0;
        strcpy(chosen, folder);
        return 1;
    }
    return GetTempFolderWith(chosen, probes);
}

int MakeUniqueTempNameWith(const char* folder, char* output, const NameProbes& probes) {
    output[0] = 0;
    char chosen[kPathBufferSize];
    if (!ChooseFolder(folder, chosen, probes))
        return 0;
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        char candidate[kPathBufferSize];
        strcpy(candidate, chosen);
        if (!AppendStampName(candidate, probes)) {
            output[0] = 0;
            return 0;
        }
        strcpy(output, candidate);
        SetExtension(candidate, "*");
        if (!probes.matches(candidate, probes.context))
            return 1;
        probes.wait(probes.context);
    }
    return 0;
}

void MakeTempFolderNameWith(char* output, const NameProbes& probes) {
    if (!GetTempFolderWith(output, probes) || !AppendStampName(output, probes))
        output[0] = 0;
}

// Whether any entry uses the stem of `name` with any extension. 0 in *taken and the result 0
// when the probe ("name.*") would not fit in a path buffer.
static int ProbeStem(const char* name, int* taken, const NameProbes& probes) {
    char probe[kPathBufferSize + 2];  // room for ".*" after the longest name, checked below
    strcpy(probe, name);
    SetExtension(probe, "*");
    if (strlen(probe) >= kPathBufferSize)
        return 0;
    *taken = probes.matches(probe, probes.context);
    return 1;
}

int MakeNumberedFileNameWith(char* path, const NameProbes& probes) {
    if (!path || !*path || strlen(path) >= kPathBufferSize)
        return 0;
    char copy[kPathBufferSize];
    strcpy(copy, path);
    int taken = 0;
    if (!ProbeStem(copy, &taken, probes))
        return 0;
    if (!taken)
        return 1;

    const char* extension = GetExtensionPart(copy);
    char* name = GetFileNamePart(copy);
    if (extension <= name)
        extension = "";  // only ".:x" puts a dot before the name part
    char folder[kPathBufferSize];
    memcpy(folder, copy, name - copy);
    folder[name - copy] = 0;
    char stem[kPathBufferSize];
    strcpy(stem, name);
    int number = 0;
    if (*extension) {
        stem[extension - 1 - name] = 0;  // cut before the extension's dot
        number = StripCounter(stem);
    }

    char candidate[kPathBufferSize];
    int found = 0;
    for (;; ++number) {
        if (!FormatNumberedName(candidate, folder, stem, number, extension) ||
            !ProbeStem(candidate, &taken, probes))
            return 0;
        found = !taken;
        // Counting stops rather than wrapping round to negative numbers.
        if (found || number == 2147483647)
            break;
    }
    size_t length = strlen(candidate);
    if (candidate[length - 1] == '.')
        candidate[length - 1] = 0;
    strcpy(path, candidate);
    return found;
}
