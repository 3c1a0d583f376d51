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

int GetBitmapSize(HBITMAP bitmap, SIZE* size) {
    if (!bitmap || !size)
        return 0;
    BITMAP description;
    GetObjectA(bitmap, sizeof description, &description);
    size->cx = description.bmWidth;
    size->cy = description.bmHeight;
    return 1;
}

// Masks: "mask" is white where the bitmap has the transparent colour, "inverse" where it has
// not. The bitmap's transparent pixels are blackened for the OR and put back from "save".
void DrawTransparentBitmap(HDC target, int x, int y, int width, int height, HBITMAP bitmap,
                           int sourceX, int sourceY, COLORREF transparent) {
    if (!bitmap)
        return;
    HDC source = CreateCompatibleDC(target);
    if (!source)
        return;
    SelectObject(source, bitmap);
    POINT size = {width, height};
    DPtoLP(source, &size, 1);
    const int w = size.x;
    const int h = size.y;

    HDC inverseDc = CreateCompatibleDC(target);
    HDC maskDc = CreateCompatibleDC(target);
    HDC workDc = CreateCompatibleDC(target);
    HDC saveDc = CreateCompatibleDC(target);
    HBITMAP inverse = CreateBitmap(w, h, 1, 1, nullptr);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HBITMAP work = CreateCompatibleBitmap(target, w, h);
    HBITMAP save = CreateCompatibleBitmap(target, w, h);

    // No copy before everything exists, so a failure never leaves the bitmap half blackened.
    if (inverseDc && maskDc && workDc && saveDc && inverse && mask && work && save) {
        SelectObject(inverseDc, inverse);
        SelectObject(maskDc, mask);
        SelectObject(workDc, work);
        SelectObject(saveDc, save);
        SetMapMode(source, GetMapMode(target));

        BitBlt(saveDc, 0, 0, w, h, source, sourceX, sourceY, SRCCOPY);
        COLORREF background = SetBkColor(source, transparent);
        BitBlt(maskDc, 0, 0, w, h, source, sourceX, sourceY, SRCCOPY);
        SetBkColor(source, background);
        BitBlt(inverseDc, 0, 0, w, h, maskDc, 0, 0, NOTSRCCOPY);
        BitBlt(workDc, 0, 0, w, h, target, x, y, SRCCOPY);
        BitBlt(workDc, 0, 0, w, h, maskDc, 0, 0, SRCAND);
        BitBlt(source, sourceX, sourceY, w, h, inverseDc, 0, 0, SRCAND);
        BitBlt(workDc, 0, 0, w, h, source, sourceX, sourceY, SRCPAINT);
        BitBlt(target, x, y, w, h, workDc, 0, 0, SRCCOPY);
        BitBlt(source, sourceX, sourceY, w, h, saveDc, 0, 0, SRCCOPY);
    }

    // Contexts before bitmaps, so no bitmap is still selected when it is deleted.
    if (workDc)
        DeleteDC(workDc);
    if (inverseDc)
        DeleteDC(inverseDc);
    if (maskDc)
        DeleteDC(maskDc);
    if (saveDc)
        DeleteDC(saveDc);
    DeleteDC(source);
    if (inverse)
        DeleteObject(inverse);
    if (mask)
        DeleteObject(mask);
    if (work)
        DeleteObject(work);
    if (save)
        DeleteObject(save);
}

void FreeSplashBitmap() {
    if (g_installer.SplashBitmap)
        DeleteObject(g_installer.SplashBitmap);
}
