#include "installer/saver_file.h"

#include "support/path.h"

// Renames an existing file at `targetPath` to a fresh name in its folder. 0 when an existing
// file could not be moved aside: then nothing has changed and nothing may be written.
static int KeepPreviousFile(const char* targetPath, char* previousCopy) {
    previousCopy[0] = 0;
    DWORD attributes = GetFileAttributesA(targetPath);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 1;
    // A folder is never moved away. A read-only file is somebody's wish to keep it as it is,
    // and its kept copy could not be deleted afterwards.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        return 0;
    char folder[kPathBufferSize];
    lstrcpynA(folder, targetPath, sizeof folder);
    char* name = GetFileNamePart(folder);
    if (name == folder)
        return 0;
    name[0] = 0;  // keeps the folder's trailing backslash, which the platform accepts
    // Creates an empty file of a name nobody else holds; the rename then takes its place.
    if (!GetTempFileNameA(folder, "SSV", 0, previousCopy)) {
        previousCopy[0] = 0;
        return 0;
    }
    if (!MoveFileExA(targetPath, previousCopy, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(previousCopy);
        previousCopy[0] = 0;
        return 0;
    }
    return 1;
}

int WriteSaverFile(const char* targetPath, const BYTE* bytes, DWORD length, char* previousCopy) {
    if (!KeepPreviousFile(targetPath, previousCopy))
        return 0;
    HANDLE file = CreateFileA(targetPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
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

int RestorePreviousFile(const char* targetPath, char* previousCopy) {
    if (!previousCopy[0])
        return 1;
    if (!MoveFileExA(previousCopy, targetPath, MOVEFILE_REPLACE_EXISTING))
        return 0;  // the name stays, so the copy is not taken for one that may go
    previousCopy[0] = 0;
    return 1;
}

int RemoveInstalledFile(const char* targetPath, char* previousCopy) {
    DeleteFileA(targetPath);
    return RestorePreviousFile(targetPath, previousCopy);
}

void DiscardPreviousFile(char* previousCopy) {
    if (!previousCopy[0])
        return;
    // Should the copy be held open by someone, the system deletes it at the next start.
    if (DeleteFileA(previousCopy) ||
        MoveFileExA(previousCopy, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        previousCopy[0] = 0;
}
