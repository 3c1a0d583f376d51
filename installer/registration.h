#pragma once
// Makes an installed file the current user's screen saver: "SCRNSAVE.EXE" in section "boot" of
// "system.ini", the registry value "SCRNSAVE.EXE" under HKEY_CURRENT_USER\Control Panel\Desktop,
// each with the file's short path, and the screen-saver-active setting, announced to running
// programs without waiting long for any. Keys are opened, never created.
//
// True only when the choice takes effect for the user at the desktop: false when a key or the
// value cannot be written, the setting is refused, a policy forces another existing screen saver
// or turns it off, or this process runs as another account than the desktop's (an
// administrator's password typed for a standard user, a service), whose settings are then left
// alone.

#include <windows.h>

bool SetScreenSaver(const wchar_t* longPath);
