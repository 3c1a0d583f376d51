#pragma once
// Makes an installed file the current user's screen saver: "SCRNSAVE.EXE" in section "boot" of
// "system.ini", the registry value "SCRNSAVE.EXE" under HKEY_CURRENT_USER\Control Panel\Desktop,
// each with the file's short path, and the screen-saver-active setting, announced to running
// programs. Keys are opened, never created.
//
// True only when the choice takes effect for the user at the desktop: false when a key or the
// value cannot be written, the setting is refused, a policy sets another screen saver or turns
// it off, or this process runs as another account than the session's user (an administrator's
// password typed for a standard user), whose settings are then left alone.

#include <windows.h>

bool SetScreenSaver(const wchar_t* longPath);

// True when the session's logged-on user is `accountName`, or when the system cannot say (no
// sessions, or nobody logged on, as for a service).
bool IsSessionUser(const wchar_t* accountName);
