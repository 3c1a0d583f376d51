#include <string.h>

#include "installer/desktop_user.h"

int ReadTokenUser(HANDLE process, BYTE* sid) {
    HANDLE token;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return 0;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + kSidBufferSize];
    } info;
    DWORD size = 0;
    BOOL read = GetTokenInformation(token, TokenUser, &info, sizeof info, &size);
    CloseHandle(token);
    uint32_t length = read ? GetSidLength(static_cast<const uint8_t*>(info.user.User.Sid)) : 0;
    if (length)
        memcpy(sid, info.user.User.Sid, length);
    return length != 0;
}

bool RunsAsDesktopUser() {
    BYTE own[kSidBufferSize], desktop[kSidBufferSize];
    DWORD session = 0;  // a session that cannot be told counts as the services' own
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return IsDesktopAccount(ReadTokenUser(GetCurrentProcess(), own) ? own : nullptr,
                            ReadDesktopUser(desktop) ? desktop : nullptr, session);
}
