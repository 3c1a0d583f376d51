#pragma once
// The entry in Apps & features that takes an installed screen saver away again: one per screen
// saver name under the system's uninstall key, whose command starts a copy of this program
// without its package, kept in a folder of its own under Program Files. The entry also holds
// what the removal needs: the file, what it looked like when written, and the user's screen
// saver before.

#include <windows.h>

#include "support/path.h"

// The user's screen saver setting as the new one will find it (260 characters): where that is
// our file already (the same screen saver installed again), the one its entry kept instead.
void ReadEarlierScreenSaver(wchar_t* earlier);

// Writes the copy and the entry once the install is complete and `earlier` replaced. 1 when
// both are there; 0 leaves neither.
int AddRemovalEntry(const wchar_t* earlier);

// Asks, then takes the screen saver, the entry and the copy away (the copy started with
// "/uninstall"). Always 0, the program's exit code.
int RunRemoval();

// For the removal, which finds its entry by the name of its copy's folder. ----------------

enum { kEntryKeySize = kPathBufferSize + 64 };

// What the written file looked like: a file of that name that differs was put there by
// someone else.
struct FileStamp {
    DWORD sizeHigh, sizeLow;
    FILETIME written;
};
int ReadFileStamp(const wchar_t* path, FileStamp* stamp);

// The entry's key under HKEY_LOCAL_MACHINE (kEntryKeySize characters). 0 when it would not fit.
int MakeEntryKey(const wchar_t* entryName, wchar_t* key);

// What the entry keeps for the removal, each 260 characters.
struct RemovalRecord {
    wchar_t file[kPathBufferSize];     // as this program writes it
    wchar_t path[kPathBufferSize];     // as the system starts it
    wchar_t setting[kPathBufferSize];  // the user's setting that named it
    wchar_t earlier[kPathBufferSize];  // the setting before; empty for none
    FileStamp stamp;
};
// 0 when there is no such entry or it lacks a value.
int ReadRemovalRecord(const wchar_t* key, RemovalRecord* record);
