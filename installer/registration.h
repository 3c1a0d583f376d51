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

// The user's "SCRNSAVE.EXE" value (260 characters); empty when there is none.
void ReadScreenSaverSetting(wchar_t* value);

// True when a setting's value and `path` name one existing file, as the system sees them.
bool IsSameFile(const wchar_t* setting, const wchar_t* path);

// Makes `setting` the user's screen saver again, as it was stored; none when it is empty or
// its file has gone. Announced as SetScreenSaver does.
void PutBackScreenSaver(const wchar_t* setting);

// Reads a text value of at most 259 characters, an expandable one expanded; empty when it is
// absent or not text. 0 when it is longer: then it names something else than any path of ours.
int ReadTextValue(HKEY key, const wchar_t* name, wchar_t* value);
