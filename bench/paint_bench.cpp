// Times one full paint and one bar-only paint of the progress screen (median of many runs),
// into a memory bitmap of the screen's format and into the shown window, with the fonts and
// a splash like the installer's.
// Usage: paint_bench [runs] [width height]; the window is the screen's size by default.

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "installer/installer_state.h"
#include "installer/window.h"
#include "render/bitmap.h"
#include "render/progress_screen.h"

namespace {

// A 24-bit 320 x 200 splash: a coloured frame around a black (transparent) middle.
HBITMAP MakeSplash() {
    const int width = 320, height = 200, stride = width * 3;
    std::vector<BYTE> dib(40 + stride * height, 0);
    BITMAPINFOHEADER header = {40, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    memcpy(dib.data(), &header, sizeof header);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (x < 20 || y < 20 || x >= width - 20 || y >= height - 20)
                dib[40 + y * stride + x * 3 + 2] = 0xFF;
    return CreateBitmapFromDib(dib.data(), nullptr);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 200;
    int width = argc > 3 ? atoi(argv[2]) : GetSystemMetrics(SM_CXSCREEN);
    int height = argc > 3 ? atoi(argv[3]) : GetSystemMetrics(SM_CYSCREEN);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PaintBench";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "PaintBench", "", WS_POPUP, 0, 0, width, height, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, canvas);
    CreateProgressFonts(width);  // as the window procedure makes them for this screen
    g_installer.SplashBitmap = MakeSplash();
    lstrcpyA(g_installer.SaverDisplayName, "Starlight");
    g_installer.ProgressPercent = 50;

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    printf("%d x %d, %d bits per pixel, %d runs each\n", width, height,
           GetDeviceCaps(screen, BITSPIXEL), runs);
    // Into a memory bitmap (the painting alone), then into the shown window (what the
    // installer does: its context comes from BeginPaint or GetDC).
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    HDC windowDc = GetDC(window);
    struct Target {
        const char* name;
        HDC dc;
    } targets[] = {{"memory", dc}, {"window", windowDc}};
    for (const Target& target : targets) {
        for (int barOnly = 0; barOnly <= 1; ++barOnly) {
            DrawProgressScreen(window, target.dc, barOnly);  // warm-up: fonts and glyph caches
            std::vector<double> times;
            for (int i = 0; i < runs; ++i) {
                LARGE_INTEGER start, end;
                QueryPerformanceCounter(&start);
                DrawProgressScreen(window, target.dc, barOnly);
                GdiFlush();
                QueryPerformanceCounter(&end);
                times.push_back(1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
            }
            printf("%-6s %-9s median %.3f ms  (min %.3f, max %.3f)\n", target.name,
                   barOnly ? "bar only" : "full", Median(times),
                   *std::min_element(times.begin(), times.end()),
                   *std::max_element(times.begin(), times.end()));
        }
    }
    ReleaseDC(window, windowDc);

    FreeSplashBitmap();
    DeleteObject(g_installer.TitleFont);
    DeleteObject(g_installer.PercentFont);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(canvas);
    ReleaseDC(nullptr, screen);
    DestroyWindow(window);
    return 0;
}
