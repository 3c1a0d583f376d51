#pragma once
#include <windows.h>

// The progress window's procedure.
LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
