#include "installer/package.h"

#include <string.h>

#include "support/little_endian.h"
#include "support/path.h"

static void JoinMarker(char* buffer, const char* middle) {
    strcpy(buffer, "@@@@@-----");
    strcat(buffer, middle);
    strcat(buffer, "-----@@@@@");
}

void BuildSetupBoundary(char* buffer) {
    JoinMarker(buffer, "boundary of setup and data");
}

void BuildSaverBoundary(char* buffer) {
    JoinMarker(buffer, "boundary of saver and data");
}

// Horspool's search: the byte of the text under one end of the marker says how far the marker
// may move on without passing a match, up to its whole length, so most bytes of a long file are
// never read. Moving forward, the window's last byte decides: its distance from the marker's end
// at its last place before the end. Moving back, its first byte: its first place after the start.
static void MakeShifts(const char* marker, int backward, uint8_t* shift) {
    for (int c = 0; c < 256; ++c)
        shift[c] = kMarkerLength;
    for (uint32_t i = 1; i < kMarkerLength; ++i) {
        if (backward) {
            shift[static_cast<uint8_t>(marker[kMarkerLength - i])] = kMarkerLength - i;
        } else {
            shift[static_cast<uint8_t>(marker[i - 1])] = kMarkerLength - i;
        }
    }
}

int FindMarker(const uint8_t* data, uint32_t length, const char* marker, uint32_t* position) {
    if (length < kMarkerLength)
        return 0;
    uint8_t shift[256];
    MakeShifts(marker, 0, shift);
    for (uint32_t at = 0; at <= length - kMarkerLength; at += shift[data[at + kMarkerLength - 1]]) {
        if (memcmp(data + at, marker, kMarkerLength) == 0) {
            *position = at;
            return 1;
        }
    }
    return 0;
}

int FindLastMarker(const uint8_t* data, uint32_t length, const char* marker, uint32_t* position) {
    if (length < kMarkerLength)
        return 0;
    uint8_t shift[256];
    MakeShifts(marker, 1, shift);
    for (uint32_t at = length - kMarkerLength;; at -= shift[data[at]]) {
        if (memcmp(data + at, marker, kMarkerLength) == 0) {
            *position = at;
            return 1;
        }
        if (at < shift[data[at]])
            return 0;
    }
}

// A component of dots (and spaces, which Windows strips) with two dots or more climbs out.
static int IsClimbingComponent(const char* begin, const char* end) {
    int dots = 0;
    for (const char* p = begin; p < end; ++p) {
        if (*p == '.') {
            ++dots;
        } else if (*p != ' ') {
            return 0;
        }
    }
    return dots >= 2;
}

static char ToUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

// Windows opens a device for CON, PRN, AUX, NUL, COM1-9 and LPT1-9 in any folder, whatever
// follows a dot and with trailing spaces.
static int IsDeviceComponent(const char* begin, const char* end) {
    const char* stop = begin;
    while (stop < end && *stop != '.')
        ++stop;
    while (stop > begin && stop[-1] == ' ')
        --stop;
    long length = stop - begin;
    if (length != 3 && length != 4)
        return 0;
    char base[4] = {ToUpperAscii(begin[0]), ToUpperAscii(begin[1]), ToUpperAscii(begin[2]), 0};
    if (length == 4)
        return (!strcmp(base, "COM") || !strcmp(base, "LPT")) && begin[3] >= '1' && begin[3] <= '9';
    return !strcmp(base, "CON") || !strcmp(base, "PRN") || !strcmp(base, "AUX") ||
           !strcmp(base, "NUL");
}

static int IsForbiddenComponent(const char* begin, const char* end) {
    return IsClimbingComponent(begin, end) || IsDeviceComponent(begin, end);
}

int IsSafeSaverName(const char* name) {
    if (!name || !*name || name[0] == '\\' || name[0] == '/')
        return 0;
    const char* component = name;
    const char* p = SkipDoubleBytes(name);
    for (; *p; p = SkipDoubleBytes(p + 1)) {
        if (*p == ':')
            return 0;
        if (*p == '\\' || *p == '/') {
            if (IsForbiddenComponent(component, p))
                return 0;
            component = p + 1;
        }
    }
    return !IsForbiddenComponent(component, p);
}

// Where the security entry of the data directories lies in the PE header at the start of
// `image`; 0 when the bytes hold no such header or it has no such entry.
static uint64_t FindSecurityEntry(const uint8_t* image, uint32_t length) {
    if (length < 0x40 || image[0] != 'M' || image[1] != 'Z')
        return 0;
    // The optional header follows "PE\0\0" and the 20-byte file header; its data directories
    // start at 96 (PE32) or 112 (PE32+), preceded by their count.
    uint64_t optional = uint64_t{Read32(image + 0x3C)} + 24;
    if (optional + 2 > length || memcmp(image + optional - 24, "PE\0\0", 4) != 0)
        return 0;
    uint32_t magic = Read16(image + optional);
    if (magic != 0x10B && magic != 0x20B)
        return 0;
    uint64_t directories = optional + (magic == 0x20B ? 112 : 96);
    if (directories + 5 * 8 > length || Read32(image + directories - 4) < 5)
        return 0;
    return directories + 4 * 8;
}

int FindCertificateTable(const uint8_t* image, uint32_t length, uint32_t* offset, uint32_t* size) {
    uint64_t entry = FindSecurityEntry(image, length);
    if (!entry)
        return 0;
    *offset = Read32(image + entry);
    *size = Read32(image + entry + 4);
    return *offset != 0 && *size != 0;
}

void ForgetCertificateTable(uint8_t* image, uint32_t length) {
    if (uint64_t entry = FindSecurityEntry(image, length))
        memset(image + entry, 0, 8);
}

int ReadPackageAt(const uint8_t* image, uint32_t length, uint32_t p, PackageLayout* layout) {
    if (length - p < kSaverImageOffset)
        return 0;
    const char* name = reinterpret_cast<const char*>(image + p + kSaverNameFieldOffset);
    if (!memchr(name, 0, kSaverNameFieldLength) || !IsSafeSaverName(name))
        return 0;
    layout->setupBoundary = p;
    layout->saverName = name;
    layout->saverImage = image + p + kSaverImageOffset;
    layout->saverImageLength = length - p - kSaverImageOffset;
    // Signing appends its table after the package; the screen saver ends where it begins.
    uint32_t table, tableSize;
    if (FindCertificateTable(image, length, &table, &tableSize) && table >= p + kSaverImageOffset &&
        uint64_t{table} + tableSize == length)
        layout->saverImageLength = table - p - kSaverImageOffset;
    return 1;
}

int LocatePackage(const uint8_t* image, uint32_t length, PackageLayout* layout) {
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint32_t p;
    return FindMarker(image, length, marker, &p) && ReadPackageAt(image, length, p, layout);
}

int FindLastSaverBoundary(const uint8_t* saverImage, uint32_t length, uint32_t* last) {
    char marker[kMarkerBufferSize];
    BuildSaverBoundary(marker);
    return FindLastMarker(saverImage, length, marker, last);
}

void ReadSplashDibAt(const uint8_t* header, uint64_t available, SplashLocation* splash) {
    splash->offset = 0;
    splash->length = 0;
    splash->complete = 0;
    // 64-bit sums: X and Y come from the file and may be anything.
    if (available < kFirstBlockOffset)
        return;
    uint32_t n = Read32(header + kSplashDibLengthOffset);
    uint32_t x = Read32(header + kFirstBlockLengthOffset);
    if (uint64_t{kFirstBlockOffset} + x + 4 > available)
        return;
    uint32_t y = Read32(header + kFirstBlockOffset + x);
    uint64_t start = uint64_t{kSplashAfterBlocks} + x + y;
    if (start + n > available)
        return;
    splash->offset = static_cast<uint32_t>(start);
    splash->length = n;
    splash->complete = 1;
}

int LocateSplashDibUpTo(const uint8_t* saverImage, uint32_t length, uint32_t last,
                        SplashLocation* splash) {
    splash->offset = 0;
    splash->length = 0;
    splash->complete = 0;
    char marker[kMarkerBufferSize];
    BuildSaverBoundary(marker);
    uint32_t q;
    if (length < kMarkerLength || last > length - kMarkerLength ||
        !FindMarker(saverImage, last + kMarkerLength, marker, &q))
        return 0;
    ReadSplashDibAt(saverImage + q, length - q, splash);
    if (splash->complete)
        splash->offset += q;
    return 1;
}

int LocateSplashDib(const uint8_t* saverImage, uint32_t length, SplashLocation* splash) {
    uint32_t last;
    if (!FindLastSaverBoundary(saverImage, length, &last)) {
        splash->offset = 0;
        splash->length = 0;
        splash->complete = 0;
        return 0;
    }
    return LocateSplashDibUpTo(saverImage, length, last, splash);
}
