#include "render/bitmap.h"

#include "installer/installer_state.h"
#include "render/dib.h"

HBITMAP CreateBitmapFromDib(const void* dib, HPALETTE palette) {
    if (!dib)
        return nullptr;
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    HPALETTE previous = nullptr;
    if (palette) {
        previous = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(dib);
    const BYTE* rows = static_cast<const BYTE*>(dib) + header->biSize + GetDibColorTableSize(dib);
    HBITMAP bitmap = CreateDIBitmap(dc, header, CBM_INIT, rows, static_cast<const BITMAPINFO*>(dib),
                                    DIB_RGB_COLORS);
    if (palette)
        SelectPalette(dc, previous, FALSE);
    ReleaseDC(desktop, dc);
    return bitmap;
}

void FreeSplashBitmap() {
    if (g_installer.SplashBitmap)
        DeleteObject(g_installer.SplashBitmap);
}
