#include "installer/previous_file.h"

#include <windows.h>

#include "support/path.h"

int KeepPreviousFile(const char* targetPath, char* copyPath) {
    copyPath[0] = 0;
    DWORD attributes = GetFileAttributesA(targetPath);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 1;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return 0;  // never move a folder away
    char folder[kPathBufferSize];
    lstrcpynA(folder, targetPath, sizeof folder);
    char* name = GetFileNamePart(folder);
    if (name == folder) return 0;
    name[0] = 0;  // keeps the trailing backslash, which the platform accepts
    // Creates an empty file of a name nobody else holds; the rename then takes its place.
    if (!GetTempFileNameA(folder, "SSV", 0, copyPath)) {
        copyPath[0] = 0;
        return 0;
    }
    if (!MoveFileExA(targetPath, copyPath, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(copyPath);
        copyPath[0] = 0;
        return 0;
    }
    return 1;
}

void RemoveInstalledFile(const char* targetPath, char* copyPath) {
    DeleteFileA(targetPath);
    if (!copyPath[0]) return;
    MoveFileExA(copyPath, targetPath, MOVEFILE_REPLACE_EXISTING);
    copyPath[0] = 0;
}

void DiscardPreviousFile(char* copyPath) {
    if (!copyPath[0]) return;
    DeleteFileA(copyPath);
    copyPath[0] = 0;
}
