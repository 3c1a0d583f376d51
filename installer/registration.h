#pragma once
// Makes an installed file the current user's screen saver: the screen-saver-active setting,
// "SCRNSAVE.EXE" in section "boot" of "system.ini", and the registry value "SCRNSAVE.EXE"
// under HKEY_CURRENT_USER\Control Panel\Desktop, each with the file's short path.
// True when the registry value was stored. Keys are opened, never created.
bool SetScreenSaver(const char* longPath);
