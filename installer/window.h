#pragma once
#include <windows.h>

// The progress window's procedure.
LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Makes TitleFont and PercentFont as the window does at creation: the title 42 pixels high on
// screens up to 1024 pixels wide, 72 above.
void CreateProgressFonts(int screenWidth);
