// The floor the installer's extraction is timed against: what any crash-safe installer of this
// design must do at least. It checks the display's colour depth, then writes the screen saver's
// bytes from a read-only view of the installer file with one WriteFile under a temporary name,
// flushes them and renames the file into place; no package search, no checks, no window. Built
// as the installer is, without a C runtime, so both start alike.
//   floor_install "SETUP.EXE" OFFSET "TARGET"     (exit 0 when all bytes were written)

#include <windows.h>

namespace {

// Splits the command line in place into the program and up to `count - 1` arguments, each
// plain or in double quotes. Gives how many it found.
int SplitCommandLine(wchar_t* line, wchar_t** parts, int count) {
    int found = 0;
    while (*line && found < count) {
        while (*line == L' ')
            ++line;
        if (!*line)
            break;
        wchar_t end = *line == L'"' ? L'"' : L' ';
        if (end == L'"')
            ++line;
        parts[found++] = line;
        while (*line && *line != end)
            ++line;
        if (*line)
            *line++ = 0;
    }
    return found;
}

DWORD ParseNumber(const wchar_t* text) {
    DWORD value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text)
        value = value * 10 + static_cast<DWORD>(*text - L'0');
    return value;
}

bool IsLowColorDisplay() {
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    int bitsPerPixel = dc ? GetDeviceCaps(dc, BITSPIXEL) : 0;
    if (dc)
        ReleaseDC(desktop, dc);
    return bitsPerPixel <= 8;
}

bool WriteFloor(const wchar_t* installerPath, DWORD offset, const wchar_t* targetPath) {
    HANDLE installer = CreateFileW(installerPath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (installer == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(installer, nullptr);
    HANDLE mapping = CreateFileMappingW(installer, nullptr, PAGE_READONLY, 0, 0, nullptr);
    CloseHandle(installer);
    if (!mapping)
        return false;
    const BYTE* view = static_cast<const BYTE*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    CloseHandle(mapping);
    if (!view)
        return false;
    // Crash-safe, as an installer must be: the bytes go under another name, reach the disk, and
    // only then take the screen saver's name.
    wchar_t temporary[MAX_PATH + 8];
    lstrcpynW(temporary, targetPath, MAX_PATH);
    lstrcatW(temporary, L".~new");
    bool written = false;
    HANDLE target = CreateFileW(temporary, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (target != INVALID_HANDLE_VALUE && offset <= size) {
        DWORD done = 0;
        written = WriteFile(target, view + offset, size - offset, &done, nullptr) &&
                  done == size - offset && FlushFileBuffers(target);
    }
    if (target != INVALID_HANDLE_VALUE)
        CloseHandle(target);
    UnmapViewOfFile(view);
    return written &&
           MoveFileExW(temporary, targetPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace

extern "C" void WINAPI FloorEntry() {
    wchar_t* parts[4];
    bool ok = SplitCommandLine(GetCommandLineW(), parts, 4) == 4 && !IsLowColorDisplay() &&
              WriteFloor(parts[1], ParseNumber(parts[2]), parts[3]);
    ExitProcess(ok ? 0 : 1);
}
