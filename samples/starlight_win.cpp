// Starlight: the sample screen saver the installer is demonstrated and tested with.
//   /s   full screen: stars drift on black until a key, a click or a real mouse move
//   /c   a box that says there is nothing to configure
//   /p   preview: not offered, ends at once
#include <windows.h>

namespace {

const int kStars = 120;
POINT g_stars[kStars];
int g_speed[kStars];
POINT g_firstMouse = {-1, -1};

unsigned NextNoise() {
    static unsigned state = 12345;
    state = state * 1103515245u + 12345u;
    return state >> 8;
}

LRESULT CALLBACK SaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetTimer(window, 1, 40, nullptr);
            for (int i = 0; i < kStars; ++i) {
                g_stars[i].x = NextNoise() % GetSystemMetrics(SM_CXSCREEN);
                g_stars[i].y = NextNoise() % GetSystemMetrics(SM_CYSCREEN);
                g_speed[i] = 1 + NextNoise() % 4;
            }
            return 0;
        case WM_TIMER: {
            HDC dc = GetDC(window);
            int width = GetSystemMetrics(SM_CXSCREEN);
            for (int i = 0; i < kStars; ++i) {
                SetPixel(dc, g_stars[i].x, g_stars[i].y, RGB(0, 0, 0));
                g_stars[i].x = (g_stars[i].x + g_speed[i]) % width;
                int glow = 80 + 40 * g_speed[i];
                SetPixel(dc, g_stars[i].x, g_stars[i].y, RGB(glow, glow, 255));
            }
            ReleaseDC(window, dc);
            return 0;
        }
        case WM_MOUSEMOVE: {
            POINT now = {LOWORD(lParam), HIWORD(lParam)};
            // The first move only tells where the mouse was; later small jitters are ignored.
            if (g_firstMouse.x < 0) {
                g_firstMouse = now;
            } else if (abs(now.x - g_firstMouse.x) + abs(now.y - g_firstMouse.y) > 8) {
                PostMessageA(window, WM_CLOSE, 0, 0);
            }
            return 0;
        }
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_SETCURSOR:
            SetCursor(nullptr);
            return TRUE;
        case WM_DESTROY:
            KillTimer(window, 1);
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

char Option(const char* commandLine) {
    for (const char* p = commandLine; *p; ++p) {
        if ((*p == '/' || *p == '-') && p[1])
            return static_cast<char>(p[1] | 0x20);
    }
    return 'c';
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    char option = Option(commandLine);
    if (option == 'p')
        return 0;
    if (option != 's') {
        MessageBoxA(nullptr, "Starlight has no settings.", "Starlight", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SaverProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "StarlightSaver";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(WS_EX_TOPMOST, "StarlightSaver", "Starlight", WS_POPUP | WS_VISIBLE, 0, 0,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                        nullptr, instance, nullptr);
    if (!window)
        return 0;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
