#include "installer/saver_file.h"

// A run killed before it ends leaves at most these two, and only the next install of the same
// screen saver into the same folder looks at them: the new bytes while they are written, and the
// earlier file while the new one waits for the user. No user names a file like this.
static const wchar_t kNewSuffix[] = L".~new";
static const wchar_t kKeptSuffix[] = L".~old";

// The kept copy stays open, not shared for deletion, while this installer may still need it: a
// second installer of the same screen saver cannot take it for a killed run's leftover.
// Null while nothing is held.
static HANDLE g_keptHold;

static int HoldKeptCopy(const wchar_t* kept) {
    HANDLE hold = CreateFileW(kept, DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hold == INVALID_HANDLE_VALUE)
        return 0;
    g_keptHold = hold;
    return 1;
}

static void ReleaseKeptCopy() {
    if (g_keptHold)
        CloseHandle(g_keptHold);
    g_keptHold = nullptr;
}

static int Exists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// `targetPath` and a suffix as a full path, so that slashes and trailing dots are settled as for
// the target itself. Only a path past MAX_PATH takes the form that may pass it: that form skips
// the system's reading of names, and the 64-bit system folder's Sysnative alias is documented
// for the ordinary form only.
static int MakeOwnName(const wchar_t* targetPath, const wchar_t* suffix, wchar_t* name) {
    lstrcpyW(name, L"\\\\?\\");
    const DWORD room = kOwnPathSize - 4 - 8;  // the prefix, the suffix and its terminator
    DWORD length = GetFullPathNameW(targetPath, room, name + 4, nullptr);
    if (length == 0 || length >= room)
        return 0;
    lstrcatW(name, suffix);
    if (lstrlenW(name + 4) < MAX_PATH)
        for (wchar_t* p = name; (p[0] = p[4]) != 0; ++p) {
        }
    return 1;
}

int WriteSaverFile(const wchar_t* targetPath, const BYTE* bytes, DWORD length,
                   wchar_t* previousCopy) {
    wchar_t newCopy[kOwnPathSize], kept[kOwnPathSize];
    previousCopy[0] = 0;
    if (!MakeOwnName(targetPath, kNewSuffix, newCopy) ||
        !MakeOwnName(targetPath, kKeptSuffix, kept))
        return 0;
    DWORD attributes = GetFileAttributesW(targetPath);
    // A folder is never moved away. A read-only file is somebody's wish to keep it as it is,
    // and its kept copy could not be deleted afterwards.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return 0;
    // A kept copy that no installer holds was left by a killed run: it is the user's earlier
    // file, and whatever that run put under the name was never finished. One that is held
    // belongs to a running installer, which goes on alone.
    if (Exists(kept)) {
        if (!HoldKeptCopy(kept))
            return 0;
        lstrcpyW(previousCopy, kept);
    }
    // Replaces a killed run's partial file. Not shared for deletion or writing, so a running
    // installer's file is never replaced: this one ends instead.
    HANDLE file = CreateFileW(newCopy, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ReleaseKeptCopy();
        previousCopy[0] = 0;
        return 0;
    }
    DWORD written = 0;
    // On the disk before the name points at it: after a power cut the name must not find zeros.
    int done = WriteFile(file, bytes, length, &written, nullptr) && written == length &&
               FlushFileBuffers(file);
    CloseHandle(file);
    if (done && !previousCopy[0] && Exists(targetPath)) {
        done = MoveFileExW(targetPath, kept, 0);
        if (done) {
            lstrcpyW(previousCopy, kept);
            HoldKeptCopy(kept);  // at best: the copy is named and put back either way
        }
    }
    if (done &&
        MoveFileExW(newCopy, targetPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 1;
    DeleteFileW(newCopy);
    RestorePreviousFile(targetPath, previousCopy);
    return 0;
}

int RestorePreviousFile(const wchar_t* targetPath, wchar_t* previousCopy) {
    if (!previousCopy[0])
        return 1;
    ReleaseKeptCopy();
    if (!MoveFileExW(previousCopy, targetPath, MOVEFILE_REPLACE_EXISTING))
        return 0;  // the name stays, so the copy is not taken for one that may go
    previousCopy[0] = 0;
    return 1;
}

int RemoveInstalledFile(const wchar_t* targetPath, wchar_t* previousCopy) {
    DeleteFileW(targetPath);
    return RestorePreviousFile(targetPath, previousCopy);
}

void DiscardPreviousFile(wchar_t* previousCopy) {
    if (!previousCopy[0])
        return;
    ReleaseKeptCopy();
    // Should the copy be held open by someone, the system deletes it at the next start.
    if (DeleteFileW(previousCopy) ||
        MoveFileExW(previousCopy, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        previousCopy[0] = 0;
}
