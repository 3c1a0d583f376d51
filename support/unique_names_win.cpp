#include <windows.h>

#include "support/unique_names.h"

int FormatTimeStamp(char* buffer) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    StampTime time = {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                      now.wMinute, now.wSecond, now.wMilliseconds};
    return FormatStamp(time, buffer);
}

// Unlike PathExists: no trailing backslash removed and no error mode change.
static int FindMatch(const char* pattern, void*) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return 1;
}

static int PathMatches(const char* pattern, void*) {
    return PathExists(pattern);
}

static FolderEntry FindFolderEntry(const char* folder, void*) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder, &found);
    if (search == INVALID_HANDLE_VALUE)
        return kNoEntry;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? kDirectoryEntry : kOtherEntry;
}

static void TempFolder(char* buffer, void*) {
    GetTempFolder(buffer);
}

static int Stamp(char* buffer, void*) {
    return FormatTimeStamp(buffer);
}

// Ten milliseconds move the stamp's last field on even with a coarse clock tick.
static void WaitForNextStamp(void*) {
    Sleep(10);
}

const NameProbes& SystemTempNameProbes() {
    static const NameProbes probes = {PathMatches, FindFolderEntry,  TempFolder,
                                      Stamp,       WaitForNextStamp, nullptr};
    return probes;
}

int MakeUniqueTempName(const char* folder, char* output) {
    return MakeUniqueTempNameWith(folder, output, SystemTempNameProbes());
}

void MakeTempFolderName(char* output) {
    MakeTempFolderNameWith(output, SystemTempNameProbes());
}

int MakeNumberedFileName(char* path) {
    NameProbes probes = SystemTempNameProbes();
    probes.matches = FindMatch;
    return MakeNumberedFileNameWith(path, probes);
}

int WriteBufferToFile(const char* fileName, const void* data, unsigned long length) {
    HANDLE file =
        CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;  // nothing of ours exists to delete
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, length, &written, nullptr);
    CloseHandle(file);
    // A partial file is worse than none: whoever reads it would take it for whole.
    if (ok && written == length)
        return 1;
    DeleteFileA(fileName);
    return 0;
}
