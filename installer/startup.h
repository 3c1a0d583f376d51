#pragma once
#include <windows.h>

// The program's GUI entry: start-up, message loop, splash bitmap release. Always 0.
int WINAPI RunInstaller(HINSTANCE instance, HINSTANCE previous, LPSTR commandTail, int showCommand);

// Everything before the message loop. 1 when the progress window is up, 0 on every failure.
int PrepareInstaller(HINSTANCE instance, int showCommand);

// True when the desktop shows 8 or fewer bits per pixel.
bool IsLowColorDisplay();

// Size of the first file a directory search for `path` finds; 0 when it finds none.
DWORD GetFileSizeByName(const wchar_t* path);

// The program's own file (wide, so any folder name works) and its folder as narrow text (260
// characters each), from the module's file name, so a name with spaces or an argument with a
// backslash cannot mislead it. 0 when the path does not fit.
int GetOwnPath(wchar_t* ownPath, char* programFolder);
