#include "installer/registration.h"

#include "support/path.h"

static const wchar_t kSaverValue[] = L"SCRNSAVE.EXE";
// The policy key ends in the user's own key, so the text is kept once.
static const wchar_t kPolicyKey[] =
    L"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
static const wchar_t* const kDesktopKey = kPolicyKey + 36;  // "Control Panel\\Desktop"

bool IsSessionUser(const wchar_t* accountName) {
    typedef BOOL(WINAPI * QuerySessionFn)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
    typedef void(WINAPI * FreeMemoryFn)(PVOID);
    const DWORD kCurrentSession = static_cast<DWORD>(-1);
    const int kUserName = 5;  // WTSUserName
    // Loaded only here, so the program still starts where terminal services are absent (then
    // both lookups give null).
    HMODULE wts = LoadLibraryA("wtsapi32.dll");
    QuerySessionFn query = reinterpret_cast<QuerySessionFn>(
        reinterpret_cast<void*>(GetProcAddress(wts, "WTSQuerySessionInformationW")));
    FreeMemoryFn freeMemory = reinterpret_cast<FreeMemoryFn>(
        reinterpret_cast<void*>(GetProcAddress(wts, "WTSFreeMemory")));
    wchar_t* sessionUser = nullptr;
    DWORD bytes = 0;
    bool same = true;
    if (query && query(nullptr, kCurrentSession, kUserName, &sessionUser, &bytes)) {
        if (sessionUser[0])
            same = lstrcmpiW(sessionUser, accountName) == 0;
        freeMemory(sessionUser);
    }
    if (wts)
        FreeLibrary(wts);
    return same;
}

static bool RunsAsSessionUser() {
    wchar_t account[257];  // UNLEN + 1
    DWORD size = 257;
    return !GetUserNameW(account, &size) || IsSessionUser(account);
}

// Reads a text value of at most 259 characters; empty when it is absent or not text. 0 when it
// is longer: then it names something else than any path of ours.
static int ReadText(HKEY key, const wchar_t* name, wchar_t* value) {
    DWORD type = 0, size = (kPathBufferSize - 1) * sizeof(wchar_t);
    value[0] = 0;
    LONG read = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    if (read == ERROR_MORE_DATA)
        return 0;
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        size = 0;
    value[size / sizeof(wchar_t)] = 0;
    return 1;
}

// Where a policy names the screen saver or switches it off, the system ignores the user's own
// values.
static bool PolicyOverrules(const wchar_t* shortPath, const wchar_t* longPath) {
    HKEY policy;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPolicyKey, 0, KEY_QUERY_VALUE, &policy) != ERROR_SUCCESS)
        return false;
    wchar_t value[kPathBufferSize];
    bool overrules = !ReadText(policy, kSaverValue, value) ||
                     (value[0] && lstrcmpiW(value, shortPath) && lstrcmpiW(value, longPath));
    if (ReadText(policy, L"ScreenSaveActive", value) && value[0] == L'0')
        overrules = true;
    RegCloseKey(policy);
    return overrules;
}

// The one key that holds the user's desktop settings, opened and never created: where it is
// missing, this is no profile to write into.
static bool StoreSaverValue(const wchar_t* shortPath) {
    HKEY desktop;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_WRITE, &desktop) > 0)
        return false;
    LONG stored =
        RegSetValueExW(desktop, kSaverValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(shortPath),
                       (lstrlenW(shortPath) + 1) * sizeof(wchar_t));
    RegCloseKey(desktop);
    return stored <= 0;
}

bool SetScreenSaver(const wchar_t* longPath) {
    if (!RunsAsSessionUser())
        return false;
    wchar_t shortPath[kPathBufferSize];
    DWORD length = GetShortPathNameW(longPath, shortPath, kPathBufferSize);
    // Without a short form the long path is what names the file; never write an unset buffer.
    if (length == 0 || length >= kPathBufferSize)
        lstrcpynW(shortPath, longPath, kPathBufferSize);

    WritePrivateProfileStringW(L"boot", kSaverValue, shortPath, L"system.ini");
    bool stored = StoreSaverValue(shortPath);
    // Last, so that the programs it tells read the new file's name.
    bool switchedOn = SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr,
                                            SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
    return stored && switchedOn && !PolicyOverrules(shortPath, longPath);
}
