#include "installer/registration.h"

#include "installer/desktop_user.h"
#include "support/kernel_function_win.h"
#include "support/path.h"

static const wchar_t kSaverValue[] = L"SCRNSAVE.EXE";
static const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
static const wchar_t kPolicyKey[] =
    L"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
// The longest one window that does not answer may hold the installer (at 100 %).
static const UINT kAnnounceTimeout = 3000;

int ReadTextValue(HKEY key, const wchar_t* name, wchar_t* value) {
    wchar_t raw[kPathBufferSize];
    DWORD type = 0, size = (kPathBufferSize - 1) * sizeof(wchar_t);
    LONG read = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(raw), &size);
    if (read == ERROR_MORE_DATA)
        return 0;
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        size = 0;
    raw[size / sizeof(wchar_t)] = 0;
    if (type != REG_EXPAND_SZ) {
        lstrcpyW(value, raw);
        return 1;
    }
    DWORD length = ExpandEnvironmentStringsW(raw, value, kPathBufferSize);
    return length > 0 && length <= kPathBufferSize;
}

// The long or short form of `path` as the system's own 64-bit programs see it: a 32-bit
// program's view of the system folder is turned elsewhere on 64-bit Windows. 0 when no such
// file exists.
static int GetPathAsSystemSees(const wchar_t* path, wchar_t* found, bool shortForm) {
    typedef BOOL(WINAPI * DisableFn)(PVOID*);
    typedef BOOL(WINAPI * RevertFn)(PVOID);
    DisableFn disable = FindKernelFunction<DisableFn>("Wow64DisableWow64FsRedirection");
    RevertFn revert = FindKernelFunction<RevertFn>("Wow64RevertWow64FsRedirection");
    PVOID previous = nullptr;
    bool turned = disable && revert && disable(&previous);
    DWORD length = shortForm ? GetShortPathNameW(path, found, kPathBufferSize)
                             : GetLongPathNameW(path, found, kPathBufferSize);
    if (turned)
        revert(previous);
    return length > 0 && length < kPathBufferSize;
}

// The file a policy forces, as the system finds it: a bare name lies in the system folder. 0
// when there is no such file, and then the system ignores the policy.
static int FindForcedSaver(const wchar_t* value, wchar_t* found) {
    wchar_t path[kPathBufferSize] = L"";
    bool bare = true;
    for (const wchar_t* p = value; *p; ++p)
        if (*p == L'\\' || *p == L'/' || *p == L':')
            bare = false;
    if (bare) {
        UINT length = GetSystemDirectoryW(path, kPathBufferSize);
        if (length == 0 || length + 1 + lstrlenW(value) >= kPathBufferSize)
            return 0;
        lstrcatW(path, L"\\");
    }
    lstrcatW(path, value);
    return GetPathAsSystemSees(path, found, false);
}

// Where a policy forces another screen saver or switches it off, the system ignores the user's
// own values.
static bool PolicyOverrules(const wchar_t* longPath) {
    HKEY policy;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPolicyKey, 0, KEY_QUERY_VALUE, &policy) != ERROR_SUCCESS)
        return false;
    wchar_t value[kPathBufferSize], forced[kPathBufferSize], own[kPathBufferSize];
    bool overrules = !ReadTextValue(policy, kSaverValue, value);
    if (!overrules && value[0] && FindForcedSaver(value, forced)) {
        // Ours in its long form too, so that any spelling of our file matches.
        if (!GetPathAsSystemSees(longPath, own, false))
            lstrcpynW(own, longPath, kPathBufferSize);
        overrules = lstrcmpiW(forced, own) != 0;
    }
    if (ReadTextValue(policy, L"ScreenSaveActive", value) && value[0] == L'0')
        overrules = true;
    RegCloseKey(policy);
    return overrules;
}

// The one key that holds the user's desktop settings, opened and never created: where it is
// missing, this is no profile to write into. An empty path takes the value away.
static bool StoreSaverValue(const wchar_t* shortPath) {
    HKEY desktop;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_READ | KEY_WRITE, &desktop) !=
        ERROR_SUCCESS)
        return false;
    LONG stored = shortPath[0] ? RegSetValueExW(desktop, kSaverValue, 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(shortPath),
                                                (lstrlenW(shortPath) + 1) * sizeof(wchar_t))
                               : RegDeleteValueW(desktop, kSaverValue);
    RegCloseKey(desktop);
    return stored == ERROR_SUCCESS;
}

// Told last, so that the programs read the new file's name; and not by the setting's own
// announcement, which waits for every window: one that has stopped answering would hold the
// installer for as long as it hangs.
static void AnnounceChange() {
    DWORD_PTR answer;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETSCREENSAVEACTIVE,
                        reinterpret_cast<LPARAM>(L"Desktop"), SMTO_ABORTIFHUNG | SMTO_NORMAL,
                        kAnnounceTimeout, &answer);
}

void ReadScreenSaverSetting(wchar_t* value) {
    value[0] = 0;
    HKEY desktop;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &desktop) !=
        ERROR_SUCCESS)
        return;
    if (!ReadTextValue(desktop, kSaverValue, value))
        value[0] = 0;
    RegCloseKey(desktop);
}

bool IsSameFile(const wchar_t* setting, const wchar_t* path) {
    wchar_t set[kPathBufferSize], own[kPathBufferSize];
    return setting[0] && GetPathAsSystemSees(setting, set, false) &&
           GetPathAsSystemSees(path, own, false) && lstrcmpiW(set, own) == 0;
}

void PutBackScreenSaver(const wchar_t* setting) {
    wchar_t found[kPathBufferSize];
    // One that went away since is no screen saver to go back to.
    if (!GetPathAsSystemSees(setting, found, false))
        setting = L"";
    WritePrivateProfileStringW(L"boot", kSaverValue, setting[0] ? setting : nullptr, L"system.ini");
    StoreSaverValue(setting);
    AnnounceChange();
}

bool SetScreenSaver(const wchar_t* longPath) {
    if (!RunsAsDesktopUser())
        return false;
    wchar_t shortPath[kPathBufferSize];
    // Without a short form the long path is what names the file; never write an unset buffer.
    if (!GetPathAsSystemSees(longPath, shortPath, true))
        lstrcpynW(shortPath, longPath, kPathBufferSize);

    WritePrivateProfileStringW(L"boot", kSaverValue, shortPath, L"system.ini");
    bool stored = StoreSaverValue(shortPath);
    bool switchedOn =
        SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, SPIF_UPDATEINIFILE) != FALSE;
    AnnounceChange();
    return stored && switchedOn && !PolicyOverrules(longPath);
}
