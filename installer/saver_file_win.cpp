#include "installer/saver_file.h"

#include "support/path.h"

// Renames an existing file at `targetPath` to a fresh name in its folder. 0 when an existing
// file could not be moved aside: then nothing has changed and nothing may be written.
static int KeepPreviousFile(const wchar_t* targetPath, wchar_t* previousCopy) {
    previousCopy[0] = 0;
    DWORD attributes = GetFileAttributesW(targetPath);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 1;
    // A folder is never moved away. A read-only file is somebody's wish to keep it as it is,
    // and its kept copy could not be deleted afterwards.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        return 0;
    wchar_t folder[kPathBufferSize];
    lstrcpynW(folder, targetPath, kPathBufferSize);
    // In UTF-16 every backslash is one; the last one ends the folder.
    wchar_t* name = folder;
    for (wchar_t* p = folder; *p; ++p)
        if (*p == L'\\')
            name = p + 1;
    if (name == folder)
        return 0;
    name[0] = 0;  // keeps the folder's trailing backslash, which the platform accepts
    // Creates an empty file of a name nobody else holds; the rename then takes its place.
    if (!GetTempFileNameW(folder, L"SSV", 0, previousCopy)) {
        previousCopy[0] = 0;
        return 0;
    }
    if (!MoveFileExW(targetPath, previousCopy, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(previousCopy);
        previousCopy[0] = 0;
        return 0;
    }
    return 1;
}

int WriteSaverFile(const wchar_t* targetPath, const BYTE* bytes, DWORD length,
                   wchar_t* previousCopy) {
    if (!KeepPreviousFile(targetPath, previousCopy))
        return 0;
    HANDLE file = CreateFileW(targetPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // Nothing was created, so only the kept file has to come back.
        RestorePreviousFile(targetPath, previousCopy);
        return 0;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes, length, &written, nullptr);
    CloseHandle(file);
    if (ok && written == length)
        return 1;
    RemoveInstalledFile(targetPath, previousCopy);
    return 0;
}

int RestorePreviousFile(const wchar_t* targetPath, wchar_t* previousCopy) {
    if (!previousCopy[0])
        return 1;
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
    // Should the copy be held open by someone, the system deletes it at the next start.
    if (DeleteFileW(previousCopy) ||
        MoveFileExW(previousCopy, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        previousCopy[0] = 0;
}
