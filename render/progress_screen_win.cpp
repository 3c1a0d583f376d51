#include "render/progress_screen.h"

#include "installer/installer_state.h"
#include "render/bitmap.h"
#include "render/layout.h"
#include "support/text_win.h"

namespace {

enum : int { kTitleBufferSize = 512, kLabelBufferSize = 32 };

// "スクリーンセーバー セットアップ" in code page 932 (31 bytes).
const char kSetupTitle[] =
    "\x83\x58\x83\x4E\x83\x8A\x81\x5B\x83\x93\x83\x5A\x81\x5B\x83\x6F\x81\x5B"
    "\x20\x83\x5A\x83\x62\x83\x67\x83\x41\x83\x62\x83\x76";

HGDIOBJ FontOrSystem(HFONT font) {
    return font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT);
}

void PaintGradient(HDC dc, int width, int height) {
    for (int k = 0; k < kBandCount; ++k) {
        GradientBand band = GetGradientBand(k, height);
        RECT rect;
        SetRect(&rect, 0, band.top, width, band.bottom);
        HBRUSH brush = CreateSolidBrush(band.colour);
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
}

// Drawn wide, so the titles read right on a system of any code page.
void PaintTitles(HDC dc, const char* line1, const char* line2) {
    wchar_t wide1[kTitleBufferSize], wide2[kTitleBufferSize];
    WideFrom932(line1, wide1, kTitleBufferSize);
    WideFrom932(line2, wide2, kTitleBufferSize);
    SelectObject(dc, FontOrSystem(g_installer.TitleFont));
    SetBkMode(dc, TRANSPARENT);
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(dc, wide1, lstrlenW(wide1), &extent);
    SetTextColor(dc, kTitleColour);
    LayoutPoint first = GetTitleOrigin(1, extent.cy);
    LayoutPoint second = GetTitleOrigin(2, extent.cy);
    TextOutW(dc, first.x, first.y, wide1, lstrlenW(wide1));
    TextOutW(dc, second.x, second.y, wide2, lstrlenW(wide2));
}

void PaintSplash(HDC dc) {
    SIZE size;
    if (!GetBitmapSize(g_installer.SplashBitmap, &size))
        return;
    LayoutPoint origin = GetSplashOrigin(GetSystemMetrics(SM_CYSCREEN), size.cy);
    DrawTransparentBitmap(dc, origin.x, origin.y, size.cx, size.cy, g_installer.SplashBitmap, 0, 0,
                          kSplashTransparentColour);
}

// Both strips carry the whole label at the same place, so the bar can be cut between them at
// any column and the label still reads as one text.
void PaintStrips(HDC unfilled, HDC filled, int barWidth) {
    wchar_t label[kLabelBufferSize];
    wsprintfW(label, L"%d %%", g_installer.ProgressPercent);
    int length = lstrlenW(label);
    RECT rect;
    SetRect(&rect, 0, 0, barWidth, kBarHeight);

    SelectObject(unfilled, FontOrSystem(g_installer.PercentFont));
    SetBkMode(unfilled, TRANSPARENT);
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(unfilled, label, length, &extent);
    LayoutPoint origin = GetLabelOrigin(barWidth, extent.cx, extent.cy);
    FillRect(unfilled, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(unfilled, kUnfilledLabelColour);
    TextOutW(unfilled, origin.x, origin.y, label, length);

    SelectObject(filled, FontOrSystem(g_installer.PercentFont));
    SetBkMode(filled, TRANSPARENT);
    HBRUSH magenta = CreateSolidBrush(kFilledColour);
    FillRect(filled, &rect, magenta);
    DeleteObject(magenta);
    SetTextColor(filled, kFilledLabelColour);
    TextOutW(filled, origin.x, origin.y, label, length);
}

// A strip whose context or bitmap could not be made leaves its part of the bar undrawn.
void ComposeBar(HDC target, const ProgressBarLayout& bar, HDC unfilled, bool unfilledMade,
                HDC filled, bool filledMade) {
    if (filledMade)
        BitBlt(target, bar.left, bar.top, bar.filled, kBarHeight, filled, 0, 0, SRCCOPY);
    if (unfilledMade)
        BitBlt(target, bar.left + bar.filled, bar.top, bar.width - bar.filled, kBarHeight, unfilled,
               bar.filled, 0, SRCCOPY);
}

}  // namespace

void DrawProgressScreen(HWND window, HDC dc, int barOnly) {
    char line1[kTitleBufferSize];
    char line2[kTitleBufferSize];
    if (!barOnly) {
        lstrcpyA(line1, g_installer.SaverDisplayName);
        lstrcpyA(line2, kSetupTitle);
    }
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;

    HDC buffer = nullptr;
    HBITMAP bufferBitmap = nullptr;
    if (!barOnly) {
        buffer = CreateCompatibleDC(dc);
        if (!buffer)
            return;
        bufferBitmap = CreateCompatibleBitmap(dc, width, height);
        if (!bufferBitmap) {
            DeleteDC(buffer);
            return;
        }
        SelectObject(buffer, bufferBitmap);
    }

    ProgressBarLayout bar = GetProgressBarLayout(width, height, g_installer.ProgressPercent);
    HDC unfilled = CreateCompatibleDC(dc);
    HBITMAP unfilledBitmap = CreateCompatibleBitmap(dc, bar.width, kBarHeight);
    SelectObject(unfilled, unfilledBitmap);
    HDC filled = CreateCompatibleDC(dc);
    HBITMAP filledBitmap = CreateCompatibleBitmap(dc, bar.width, kBarHeight);
    SelectObject(filled, filledBitmap);

    HDC target = barOnly ? dc : buffer;
    if (!barOnly) {
        PaintGradient(buffer, width, height);
        PaintTitles(buffer, line1, line2);
        PaintSplash(buffer);
    }
    PaintStrips(unfilled, filled, bar.width);
    ComposeBar(target, bar, unfilled, unfilled && unfilledBitmap, filled, filled && filledBitmap);
    if (!barOnly) {
        BitBlt(dc, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
        DeleteDC(buffer);
    }

    if (unfilled)
        DeleteDC(unfilled);
    if (filled)
        DeleteDC(filled);
    if (bufferBitmap)
        DeleteObject(bufferBitmap);
    if (unfilledBitmap)
        DeleteObject(unfilledBitmap);
    if (filledBitmap)
        DeleteObject(filledBitmap);
}
