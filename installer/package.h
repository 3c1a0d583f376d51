#pragma once
// The installer package: what the authors' tool appends to setup.exe and what start-up reads back.
// Both sides use only this header, so no offset is declared twice.
//
// The installer file (all integers unsigned 32-bit little-endian):
//
//   offset          length        content
//   0               P             the program itself (setup.exe)
//   P               46            SetupBoundary  "@@@@@-----boundary of setup and data-----@@@@@"
//   P + 46          260           SaverNameField: file name, zero byte, zero fill
//   P + 306         to the end    SaverImage: the screen saver file, byte for byte
//
// The tool puts 0 to 7 zero bytes before P so that the file's length is a multiple of 8: a
// signing tool then appends its certificate table without padding. A certificate table that the
// program's own PE header names, lying after P + 306 and ending at the end of the file, is not
// part of SaverImage.
//
// Inside SaverImage, from Q where SaverBoundary first occurs (SaverDataHeader):
//
//   Q + 0           46            SaverBoundary  "@@@@@-----boundary of saver and data-----@@@@@"
//   Q + 46          132           screen saver data
//   Q + 178         4             SplashDibLength N
//   Q + 182         4             screen saver data
//   Q + 186         4             FirstBlockLength X
//   Q + 190         X             first block
//   Q + 190 + X     4             SecondBlockLength Y
//   Q + 194 + X     Y + 4         second block and four more bytes
//   Q + 198 + X + Y N             SplashDib: a packed DIB; N = 0 means no splash picture
//
// Neither marker is ever stored whole in the program: its three pieces are joined at search
// time, or setup.exe would find the marker inside its own code.

#include <stdint.h>

enum : uint32_t {
    kMarkerLength = 46,
    kMarkerBufferSize = 128,
    kSaverNameFieldOffset = 46,
    kSaverNameFieldLength = 260,
    kSaverImageOffset = 306,
    kSplashDibLengthOffset = 178,
    kFirstBlockLengthOffset = 186,
    kFirstBlockOffset = 190,
    kSplashAfterBlocks = 198,  // from Q, plus X + Y
    // The longest system folder the tool allows for: "C:\WINDOWS\SYSWOW64" and a backslash.
    kLongestSystemFolder = 20,
    kMaxSaverNameLength = 259 - kLongestSystemFolder,
};

// Fills `buffer` (kMarkerBufferSize bytes) with the 46 marker bytes and a terminator.
void BuildSetupBoundary(char* buffer);
void BuildSaverBoundary(char* buffer);

// First position at which the 46 bytes of `marker` occur in data[0, length), or the last one.
// 1 and *position when found, 0 when absent.
int FindMarker(const uint8_t* data, uint32_t length, const char* marker, uint32_t* position);
int FindLastMarker(const uint8_t* data, uint32_t length, const char* marker, uint32_t* position);

// Whether a name may be joined to the system folder: not empty, no ".." component and no device
// name (CON, NUL, COM1, ...) as a component, no colon, not starting with a backslash or slash.
// Walks double-byte characters whole.
int IsSafeSaverName(const char* name);

// The certificate table a signature attached, as the security data directory of the PE header
// at the start of `image` names it. 1 with its file offset and size, 0 when there is none.
int FindCertificateTable(const uint8_t* image, uint32_t length, uint32_t* offset, uint32_t* size);

// Clears that entry, for a copy of the program that leaves the table out: the system would
// otherwise look for a signature past the end of the copy.
void ForgetCertificateTable(uint8_t* image, uint32_t length);

struct PackageLayout {
    uint32_t setupBoundary;  // P
    const char* saverName;   // inside the image, zero-terminated within its field
    const uint8_t* saverImage;
    uint32_t saverImageLength;  // up to the certificate table of a signed file
};

// Finds SetupBoundary and checks what the installer needs before it writes anything: at least
// 306 bytes from P on, a terminated and safe name. 0 for a file that is no usable package.
int LocatePackage(const uint8_t* image, uint32_t length, PackageLayout* layout);

// The same for SetupBoundary known to be first at `p`, for a reader that searched on its own.
// Reads only [p, p + 306) and the PE header's data directories, whose place the bytes at 0x3C
// give.
int ReadPackageAt(const uint8_t* image, uint32_t length, uint32_t p, PackageLayout* layout);

struct SplashLocation {
    uint32_t offset;    // from the start of SaverImage
    uint32_t length;    // 0: no splash picture
    uint32_t complete;  // 1 when the data header and the picture lie inside SaverImage
};

// Finds SaverBoundary in SaverImage and the range of SplashDib. 0 when there is no
// SaverBoundary. A header or picture that would reach past the end gives length 0.
int LocateSplashDib(const uint8_t* saverImage, uint32_t length, SplashLocation* splash);

// The range of SplashDib for the data header at `header`, with `available` bytes from there to
// the end of SaverImage; offset from the header. Reads its first 190 bytes and the 4 at 190 + X.
void ReadSplashDibAt(const uint8_t* header, uint64_t available, SplashLocation* splash);

// The same in two steps, for a reader that must know the package good before it writes but
// need not read a large screen saver through first. The tool puts the data header at the end,
// so the last SaverBoundary is found from there at once (0 when there is none); the first one,
// which is the one that counts, lies at or before it, and the second step finds it there.
int FindLastSaverBoundary(const uint8_t* saverImage, uint32_t length, uint32_t* last);
int LocateSplashDibUpTo(const uint8_t* saverImage, uint32_t length, uint32_t last,
                        SplashLocation* splash);

// The writer of an installer file: stub, zero padding, boundary, name field, screen saver. It
// refuses (0, with a reason) whatever the reader would not read back as this name and this
// screen saver with its splash picture, given what LocateSplashDib found in the screen saver,
// and writes the InstallerHeadSize(...) bytes that go before it; the caller checks that the
// stub holds no SetupBoundary and appends the screen saver (tools/core/inspect.h).
uint64_t InstallerFileSize(uint32_t stubLength, uint32_t saverLength);
uint32_t InstallerHeadSize(uint32_t stubLength, uint32_t saverLength);
int WriteInstallerHead(const uint8_t* stub, uint32_t stubLength, uint32_t saverLength,
                       int headerFound, const SplashLocation* splash, const char* name,
                       uint8_t* output, const char** reason);
