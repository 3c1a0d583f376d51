#pragma once
// Names that no existing file uses, and writing a buffer as the whole of a new file.
// The naming rules are pure and reach the platform only through the callbacks below, so the
// native tests run them without a clock or a file system; the Win32 side passes the real ones.
// Every path and output buffer is kPathBufferSize (260) bytes.

#include "support/path.h"

enum {
    kTimeStampLength = 18,  // "%04d%02d%02d_%02d%02d%02d%03d" for years 1000 to 9999
    kUniqueNameAttempts = 1001,
};

// The fields of the platform's SYSTEMTIME that a stamp is made of.
struct StampTime {
    unsigned short year, month, day, hour, minute, second, milliseconds;
};

// Writes the stamp of `time` with its terminator; returns the characters written (18).
int FormatStamp(const StampTime& time, char* buffer);

// Strips the trailing decimal digits of a stem, in place, and returns the number to count from:
// the stripped digits plus 1, or 0 when nothing was stripped. The first byte always stays, and
// so does a digit that is the trail byte of a two-byte character.
// A run whose value plus 1 does not fit a signed 32-bit number is not read as a number: it stays
// in the stem and counting starts at 0 (file99999999999.txt gives file999999999990.txt).
int StripCounter(char* stem);

// Formats "%s%s%d.%s" into `buffer`, for a number of 0 or more. Returns 0, leaving `buffer` alone,
// when the name would not fit in kPathBufferSize bytes.
int FormatNumberedName(char* buffer, const char* folder, const char* stem, int number,
                       const char* extension);

// What the candidate loops ask of the platform; `context` goes back to every call.
enum FolderEntry { kNoEntry, kDirectoryEntry, kOtherEntry };
struct NameProbes {
    // 1 when some entry matches the pattern, which may hold wildcards.
    int (*matches)(const char* pattern, void* context);
    // What a search for the folder's text, exactly as given, finds first.
    FolderEntry (*findEntry)(const char* folder, void* context);
    void (*getTempFolder)(char* buffer, void* context);
    int (*formatStamp)(char* buffer, void* context);
    void (*wait)(void* context);  // long enough for the stamp's milliseconds to move on
    void* context;
};

// The loops behind the operations below, over injected probes.
int MakeUniqueTempNameWith(const char* folder, char* output, const NameProbes& probes);
void MakeTempFolderNameWith(char* output, const NameProbes& probes);
int MakeNumberedFileNameWith(char* path, const NameProbes& probes);

// Win32 only from here on. ----------------------------------------------------------------

// The local time's stamp; returns 18.
int FormatTimeStamp(char* buffer);

// folder\<stamp>.TMP whose stem no entry of the folder uses with any extension. A null or empty
// folder, or one that names a file, is replaced by the temporary folder; a missing one is used
// as it is. Tries a new stamp every 10 ms, kUniqueNameAttempts times in all.
// Returns 1 when `output` names a free name. Returns 0 when every attempt found its name taken:
// `output` then holds the last (taken) candidate; or when the name would not fit in 260 bytes:
// `output` is then empty.
int MakeUniqueTempName(const char* folder, char* output);

// <temporary folder>\<stamp>.TMP, created folder included, with no test of the name.
void MakeTempFolderName(char* output);

// Turns a taken path into the first stem-plus-number name, same extension, that no entry uses
// with any extension: file.txt gives file0.txt, file7.txt file8.txt, file7 file70.
// Returns 1 when `path` ends up naming a free name, unchanged if it was free already.
// Returns 0, with `path` unchanged, for an empty path or when a numbered name would not fit in
// 260 bytes; and 0 when counting reached 2147483647 with every name taken (`path` then holds
// that last candidate) rather than wrapping round.
int MakeNumberedFileName(char* path);

// Writes `length` bytes as the whole content of a new or replaced file. 1 when all were written.
// 0 when the file cannot be created (nothing is deleted then), or when the write fails or falls
// short (the file is deleted then).
int WriteBufferToFile(const char* fileName, const void* data, unsigned long length);

// The probes MakeUniqueTempName and MakeTempFolderName use, so Win32 tests can swap one out.
const NameProbes& SystemTempNameProbes();
