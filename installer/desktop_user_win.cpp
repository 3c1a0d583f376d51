#include "installer/desktop_user.h"

// The shell (taskbar and desktop icons) runs as whoever sees the desktop. Its own user and an
// administrator may read its token.
static int ReadShellUser(BYTE* sid) {
    HWND shell = GetShellWindow();
    DWORD processId = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &processId))
        return 0;
    const DWORD kQueryLimited = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION, Vista and later
    HANDLE process = OpenProcess(kQueryLimited, FALSE, processId);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process)
        return 0;
    int read = ReadTokenUser(process, sid);
    CloseHandle(process);
    return read;
}

// Without a shell to ask: the session's logged-on user, by domain and name, so that a
// same-named account of another domain is not taken for it.
static int LookUpSessionUser(BYTE* sid) {
    typedef BOOL(WINAPI * QuerySessionFn)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
    typedef void(WINAPI * FreeMemoryFn)(PVOID);
    const DWORD kCurrentSession = static_cast<DWORD>(-1);
    const int kUserName = 5, kDomainName = 7;  // WTSUserName, WTSDomainName
    // Loaded only here, so the program still starts where terminal services are absent.
    HMODULE wts = LoadLibraryA("wtsapi32.dll");
    QuerySessionFn query = reinterpret_cast<QuerySessionFn>(
        reinterpret_cast<void*>(GetProcAddress(wts, "WTSQuerySessionInformationW")));
    FreeMemoryFn freeMemory = reinterpret_cast<FreeMemoryFn>(
        reinterpret_cast<void*>(GetProcAddress(wts, "WTSFreeMemory")));
    wchar_t account[512] = L"";
    wchar_t* part = nullptr;
    DWORD bytes = 0;
    if (query && query(nullptr, kCurrentSession, kDomainName, &part, &bytes)) {
        lstrcpynW(account, part, 256);
        freeMemory(part);
    }
    if (account[0] && query(nullptr, kCurrentSession, kUserName, &part, &bytes)) {
        if (part[0]) {
            lstrcatW(account, L"\\");
            lstrcpynW(account + lstrlenW(account), part, 256);
        } else {
            account[0] = 0;  // nobody logged on
        }
        freeMemory(part);
    } else {
        account[0] = 0;
    }
    if (wts)
        FreeLibrary(wts);
    DWORD size = kSidBufferSize, domainSize = 256;
    wchar_t domain[256];
    SID_NAME_USE use;
    return account[0] &&
           LookupAccountNameW(nullptr, account, sid, &size, domain, &domainSize, &use);
}

int ReadDesktopUser(BYTE* sid) {
    return ReadShellUser(sid) || LookUpSessionUser(sid);
}
