#include "installer/startup.h"

#include <string.h>

#include "installer/installer_state.h"
#include "installer/messages.h"
#include "installer/package.h"
#include "installer/saver_file.h"
#include "installer/window.h"
#include "render/bitmap.h"
#include "render/dib.h"
#include "support/memblock.h"
#include "support/path.h"
#include "support/text_win.h"

InstallerState g_installer;

bool IsLowColorDisplay() {
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (!dc)
        return false;
    int bitsPerPixel = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(desktop, dc);
    return bitsPerPixel <= 8;
}

DWORD GetFileSizeByName(const wchar_t* path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return found.nFileSizeLow;
}

int GetOwnPath(wchar_t* ownPath, char* programFolder) {
    // Wide, because a folder name outside the code page comes back narrow with "?" in it.
    DWORD length = GetModuleFileNameW(nullptr, ownPath, kPathBufferSize);
    // A full buffer means the name was cut.
    if (length == 0 || length >= kPathBufferSize)
        return 0;
    // The narrow folder is only kept, never opened: a character it cannot hold does no harm.
    NarrowTo932(ownPath, programFolder, kPathBufferSize);
    char* name = GetFileNamePart(programFolder);
    if (name != programFolder && name[-1] == '\\' && name - 1 != programFolder && name[-2] != ':')
        name[-1] = 0;
    name[0] = 0;
    return 1;
}

int GetInstallFolder(wchar_t* folder) {
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    typedef UINT(WINAPI * GetSystemWow64DirectoryFn)(LPWSTR, UINT);
    // Resolved at run time: 32-bit Windows before XP SP2 has neither.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    IsWow64ProcessFn isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
    GetSystemWow64DirectoryFn getWow64Directory = reinterpret_cast<GetSystemWow64DirectoryFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetSystemWow64DirectoryW")));
    const HANDLE kThisProcess = reinterpret_cast<HANDLE>(-1);  // what GetCurrentProcess gives
    BOOL underWow64 = FALSE;
    if (isWow64Process && getWow64Directory && isWow64Process(kThisProcess, &underWow64) &&
        underWow64) {
        // Writes into system32 land in SysWOW64; name that folder so the registry and
        // system.ini point where the file really is.
        UINT length = getWow64Directory(folder, kPathBufferSize);
        return length > 0 && length < kPathBufferSize;
    }
    UINT length = GetSystemDirectoryW(folder, kPathBufferSize);
    return length > 0 && length < kPathBufferSize;
}

// TargetPath and SaverDisplayName from the package's name, which is code page 932 whatever the
// system's code page: it is split by that code page's rule and turned into UTF-16 once, here.
// 0 when the path would not fit or the name is no code page 932 text.
static int SetTargetNames(const char* saverName) {
    char name[kPathBufferSize + 1] = "";
    AppendPathPart(name, saverName);  // "\" and the name, doubled backslashes made one
    wchar_t* target = g_installer.TargetPath;
    if (!GetInstallFolder(target))
        return 0;
    int folderLength = lstrlenW(target);
    if (!MultiByteToWideChar(kJapaneseCodePage, MB_ERR_INVALID_CHARS, name, -1,
                             target + folderLength, kPathBufferSize - folderLength))
        return 0;
    char* display = g_installer.SaverDisplayName;
    lstrcpyA(display, GetFileNamePart(name));
    char* extension = GetExtensionPart(display);
    if (extension && *extension)
        extension[-1] = 0;
    return 1;
}

// The whole own file as a read-only view, so the screen saver's bytes go from the file to the
// disk once, without a copy in memory. Null on any failure or when the file is not `size`
// bytes long.
static const BYTE* MapWholeFile(const wchar_t* path, DWORD size) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    const BYTE* image = nullptr;
    DWORD high = 0;
    if (GetFileSize(file, &high) == size && high == 0) {
        HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping) {
            image = static_cast<const BYTE*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
            // The view keeps the mapping, and the mapping the file, until it is unmapped.
            CloseHandle(mapping);
        }
    }
    CloseHandle(file);
    return image;
}

// A picture whose bytes do not hold what its header announces is left out, like none at all.
static void MakeSplashBitmap(const BYTE* saver, const SplashLocation& splash) {
    const BYTE* dib = saver + splash.offset;
    if (splash.length == 0 || !IsSplashDibComplete(dib, splash.length))
        return;
    void* copy = AllocPtr(splash.length);
    if (!copy)
        return;
    memcpy(copy, dib, splash.length);
    g_installer.SplashBitmap = CreateBitmapFromDib(copy, nullptr);
    FreePtr(&copy);
}

// Reads the own file, writes the screen saver and makes the splash bitmap, with the wait
// cursor up. 1 when the file is written and the window may come. The whole package is located
// first: a damaged one must not replace anything in the system folder. The splash picture is
// looked for once the file is written, so that a large screen saver is read through once
// before the user has it, not twice.
static int ExtractPackage(const wchar_t* ownPath) {
    g_installer.SavedCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    DWORD size = GetFileSizeByName(ownPath);
    const BYTE* image = MapWholeFile(ownPath, size);
    int extracted = 0;
    if (image) {
        PackageLayout package;
        uint32_t lastBoundary;
        if (LocatePackage(image, size, &package) && SetTargetNames(package.saverName) &&
            FindLastSaverBoundary(package.saverImage, package.saverImageLength, &lastBoundary) &&
            WriteSaverFile(g_installer.TargetPath, package.saverImage, package.saverImageLength,
                           g_installer.PreviousFileCopy)) {
            SplashLocation splash;
            LocateSplashDibUpTo(package.saverImage, package.saverImageLength, lastBoundary,
                                &splash);
            MakeSplashBitmap(package.saverImage, splash);
            extracted = 1;
        }
        UnmapViewOfFile(image);
    }
    SetCursor(g_installer.SavedCursor);
    return extracted;
}

static int OpenProgressWindow(HINSTANCE instance, int showCommand) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_SAVEBITS;
    windowClass.lpfnWndProc = InstallerWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "IDI_APPICON");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "SetupWClass";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, "SetupWClass", "Setup", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
    if (!window)
        return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return 1;
}

int PrepareInstaller(HINSTANCE instance, int showCommand) {
    if (IsLowColorDisplay()) {
        ShowErrorById(GetFocus(), IDS_LOWCOLOR);
        return 0;
    }
    g_installer.InstanceHandle = instance;
    GetTempFolder(g_installer.TempFolder);
    wchar_t ownPath[kPathBufferSize] = {};
    if (!GetOwnPath(ownPath, g_installer.ProgramFolder))
        return 0;
    if (!ExtractPackage(ownPath)) {
        // Nothing new was written; an earlier file that did not go back yet gets one more try.
        RestorePreviousFile(g_installer.TargetPath, g_installer.PreviousFileCopy);
        return 0;
    }
    if (!OpenProgressWindow(instance, showCommand)) {
        // The written file stays installed, as after completion.
        DiscardPreviousFile(g_installer.PreviousFileCopy);
        return 0;
    }
    return 1;
}

// Installers run from download folders, where a planted DLL must not be loaded in place of a
// system one: DLLs that the system loads later come from the system folder only (Windows 8, or
// 7 with its loader update), else at least not from the current folder (XP SP1 and later).
static void KeepDownloadFolderOutOfDllSearch() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
    const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesFn setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(kSearchSystem32))
        return;
    SetDllDirectoryFn setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDllDirectory)
        setDllDirectory("");
}

int WINAPI RunInstaller(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    KeepDownloadFolderOutOfDllSearch();
    if (!PrepareInstaller(instance, showCommand))
        return 0;
    MSG message;
    // GetMessage gives -1 on error; only the quit message (0) ends the loop.
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    FreeSplashBitmap();
    // An undone install gives its kept file one more try to go back; a kept one goes.
    if (g_installer.InstallUndone) {
        RestorePreviousFile(g_installer.TargetPath, g_installer.PreviousFileCopy);
    } else {
        DiscardPreviousFile(g_installer.PreviousFileCopy);
    }
    return static_cast<int>(message.wParam);
}
