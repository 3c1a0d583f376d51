#pragma once
#include <windows.h>

// A device-dependent bitmap in the display's format from a packed DIB, or null.
HBITMAP CreateBitmapFromDib(const void* dib, HPALETTE palette);

// Stores the bitmap's width and height in `size` and gives 1; 0, writing nothing, when either
// argument is null.
int GetBitmapSize(HBITMAP bitmap, SIZE* size);

// Copies width x height pixels of `bitmap` from (sourceX, sourceY) to (x, y) on `target`,
// leaving the target as it was wherever the bitmap has the transparent colour. The bitmap is
// unchanged afterwards; it must not be selected into another context during the call.
void DrawTransparentBitmap(HDC target, int x, int y, int width, int height, HBITMAP bitmap,
                           int sourceX, int sourceY, COLORREF transparent);

// Deletes the splash bitmap made at start-up.
void FreeSplashBitmap();
