#pragma once
#include <windows.h>

// A device-dependent bitmap in the display's format from a packed DIB, or null.
HBITMAP CreateBitmapFromDib(const void* dib, HPALETTE palette);

// Deletes the splash bitmap made at start-up.
void FreeSplashBitmap();
