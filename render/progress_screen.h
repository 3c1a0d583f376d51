#pragma once
#include <windows.h>

// Paints the progress screen into `dc`: with `barOnly` 0 the whole screen, composed off-screen
// and copied in one step; otherwise only the progress bar, straight onto `dc`.
void DrawProgressScreen(HWND window, HDC dc, int barOnly);
