#include <windows.h>

#include "support/path.h"

int PathExists(const char* path) {
    int length = lstrlenA(path);
    // Cut to fit, the path would name something else.
    if (length >= kPathBufferSize)
        return 0;
    if (length == 3 && path[1] == ':' && path[2] == '\\') {
        // DRIVE_NO_ROOT_DIR counts as existing too; only DRIVE_UNKNOWN means no drive.
        if (GetDriveTypeA(path) != DRIVE_UNKNOWN)
            return 1;
    }
    char buffer[kPathBufferSize];
    lstrcpyA(buffer, path);
    if (length > 1 && EndsWithSeparator(buffer))
        buffer[length - 1] = 0;
    // A drive without its medium must not raise a system box in the middle of a search.
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(buffer, &found);
    int exists = search != INVALID_HANDLE_VALUE;
    if (exists)
        FindClose(search);
    SetErrorMode(previousMode);
    return exists;
}

void GetTempFolder(char* buffer) {
    DWORD length = GetTempPathA(kPathBufferSize, buffer);
    // On failure the buffer holds whatever it held before, and names must never be built on that.
    if (length == 0 || length >= kPathBufferSize) {
        buffer[0] = 0;
        return;
    }
    if (!PathExists(buffer)) {
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
        CreateDirectoryA(buffer, &attributes);
    }
}
