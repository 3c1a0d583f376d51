#include "installer/startup.h"

#include <string.h>

#include "installer/installer_state.h"
#include "installer/messages.h"
#include "installer/command_line.h"
#include "installer/package.h"
#include "installer/removal_entry.h"
#include "installer/saver_file.h"
#include "installer/saver_machine.h"
#include "installer/window.h"
#include "render/bitmap.h"
#include "render/dib.h"
#include "support/kernel_function_win.h"
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

static const HANDLE kThisProcess = reinterpret_cast<HANDLE>(-1);  // what GetCurrentProcess gives

// The machine this Windows is built for, and whether it also runs x64 programs (Windows 11 on
// ARM64 does, in System32 itself).
static uint16_t GetNativeMachine(bool* runsX64) {
    typedef BOOL(WINAPI * IsWow64Process2Fn)(HANDLE, USHORT*, USHORT*);
    typedef void(WINAPI * GetNativeSystemInfoFn)(SYSTEM_INFO*);
    typedef HRESULT(WINAPI * GetMachineTypeAttributesFn)(USHORT, int*);
    const int kUserEnabled = 1;
    USHORT process = 0, native = kMachineX86;
    IsWow64Process2Fn isWow64Process2 = FindKernelFunction<IsWow64Process2Fn>("IsWow64Process2");
    if (!isWow64Process2 || !isWow64Process2(kThisProcess, &process, &native)) {
        // Before Windows 10: only x86 and x64 systems ran 32-bit programs.
        native = kMachineX86;
        GetNativeSystemInfoFn getInfo =
            FindKernelFunction<GetNativeSystemInfoFn>("GetNativeSystemInfo");
        SYSTEM_INFO info;
        if (getInfo) {
            getInfo(&info);
            if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64)
                native = kMachineX64;
        }
    }
    GetMachineTypeAttributesFn attributes =
        FindKernelFunction<GetMachineTypeAttributesFn>("GetMachineTypeAttributes");
    int x64 = 0;
    *runsX64 = attributes && SUCCEEDED(attributes(kMachineX64, &x64)) && (x64 & kUserEnabled);
    return native;
}

// The folder the screen saver is written into, and the one the system starts it from: the
// same but for a 64-bit screen saver, whose System32 a 32-bit program reaches as Sysnative.
// 0 where this Windows cannot run the screen saver or a path would not fit.
static int GetInstallFolders(SaverPlace place, wchar_t* written, wchar_t* run) {
    typedef UINT(WINAPI * GetSystemWow64DirectoryFn)(LPWSTR, UINT);
    GetSystemWow64DirectoryFn getWow64Directory =
        FindKernelFunction<GetSystemWow64DirectoryFn>("GetSystemWow64DirectoryW");
    // It succeeds wherever 32-bit programs have a folder of their own: on ARM64 too, where
    // IsWow64Process says an x86 program is none.
    UINT wow64 = getWow64Directory ? getWow64Directory(written, kPathBufferSize) : 0;
    if (place == kPlaceNowhere || wow64 >= kPathBufferSize || (place == kPlaceNative && !wow64))
        return 0;
    if (place == kPlaceThirtyTwoBit && wow64) {
        lstrcpyW(run, written);
        return 1;
    }
    UINT length = GetSystemDirectoryW(run, kPathBufferSize);
    if (length == 0 || length >= kPathBufferSize)
        return 0;
    lstrcpyW(written, run);
    if (place == kPlaceNative) {
        wchar_t* name = written + length;
        while (name > written && name[-1] != L'\\')
            --name;
        lstrcpyW(name, L"Sysnative");
    }
    return 1;
}

// TargetPath, SaverPath and SaverDisplayName from the package's name, which is code page 932
// whatever the system's code page: it is split by that code page's rule and turned into UTF-16
// once, here. 0 when the screen saver cannot run here, a path would not fit or the name is no
// code page 932 text.
static int SetTargetNames(const char* saverName, SaverPlace place) {
    char name[kPathBufferSize + 1] = "";
    AppendPathPart(name, saverName);  // "\" and the name, doubled backslashes made one
    char* display = g_installer.SaverDisplayName;
    lstrcpyA(display, GetFileNamePart(name));
    char* extension = GetExtensionPart(display);
    if (extension && *extension)
        extension[-1] = 0;
    wchar_t* target = g_installer.TargetPath;
    wchar_t* run = g_installer.SaverPath;
    if (!GetInstallFolders(place, target, run))
        return 0;
    int folderLength = lstrlenW(target);
    if (!MultiByteToWideChar(kJapaneseCodePage, MB_ERR_INVALID_CHARS, name, -1,
                             target + folderLength, kPathBufferSize - folderLength) ||
        lstrlenW(run) + lstrlenW(target + folderLength) >= kPathBufferSize)
        return 0;
    lstrcatW(run, target + folderLength);
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

// The program without its package, for the copy that can remove the screen saver later. Ours
// is a few tens of KiB; a larger one is no program of ours to copy.
static void KeepProgramPart(const BYTE* image, DWORD length) {
    const DWORD kLargestProgram = 1 << 20;
    void* copy = length <= kLargestProgram ? AllocPtr(length) : nullptr;
    if (!copy)
        return;
    memcpy(copy, image, length);
    ForgetCertificateTable(static_cast<BYTE*>(copy), length);
    g_installer.ProgramPart = copy;
    g_installer.ProgramPartLength = length;
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
    SaverPlace place = kPlaceThirtyTwoBit;
    if (image) {
        PackageLayout package;
        uint32_t lastBoundary;
        bool runsX64 = false;
        uint16_t native = GetNativeMachine(&runsX64);
        bool found = LocatePackage(image, size, &package);
        if (found)
            place = ChooseSaverPlace(
                ReadProgramMachine(package.saverImage, package.saverImageLength), native, runsX64);
        if (found && SetTargetNames(package.saverName, place) &&
            FindLastSaverBoundary(package.saverImage, package.saverImageLength, &lastBoundary) &&
            WriteSaverFile(g_installer.TargetPath, package.saverImage, package.saverImageLength,
                           g_installer.PreviousFileCopy)) {
            SplashLocation splash;
            LocateSplashDibUpTo(package.saverImage, package.saverImageLength, lastBoundary,
                                &splash);
            MakeSplashBitmap(package.saverImage, splash);
            KeepProgramPart(image, package.setupBoundary);
            extracted = 1;
        }
        UnmapViewOfFile(image);
    }
    SetCursor(g_installer.SavedCursor);
    // The one start-up failure the user is told of: any other Windows would install it.
    if (place == kPlaceNowhere) {
        char text[kTextBufferSize];
        ShowErrorText(GetFocus(), FormatWithName(IDS_CANNOTRUNHERE, text), nullptr, nullptr);
    }
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
    SetDefaultDllDirectoriesFn setDefault =
        FindKernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
    if (setDefault && setDefault(kSearchSystem32))
        return;
    SetDllDirectoryFn setDllDirectory = FindKernelFunction<SetDllDirectoryFn>("SetDllDirectoryA");
    if (setDllDirectory)
        setDllDirectory("");
}

int WINAPI RunInstaller(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    KeepDownloadFolderOutOfDllSearch();
    if (IsRemovalCommand(GetCommandLineW())) {
        g_installer.InstanceHandle = instance;
        return RunRemoval();
    }
    if (!PrepareInstaller(instance, showCommand))
        return 0;
    MSG message;
    // GetMessage gives -1 on error; only the quit message (0) ends the loop.
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    FreeSplashBitmap();
    FreePtr(&g_installer.ProgramPart);
    // An undone install gives its kept file one more try to go back; a kept one goes.
    if (g_installer.InstallUndone) {
        RestorePreviousFile(g_installer.TargetPath, g_installer.PreviousFileCopy);
    } else {
        DiscardPreviousFile(g_installer.PreviousFileCopy);
    }
    return static_cast<int>(message.wParam);
}
