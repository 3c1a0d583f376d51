// The least a Win32 program does to put a picture on the screen: a full-screen window painted
// once with one colour. start_bench measures how soon an installer's first paint comes against
// this one's.

#include <windows.h>

#include "bench/blank_window.h"

namespace {

LRESULT CALLBACK BlankWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (HDC dc = BeginPaint(window, &paint)) {
                HBRUSH brush = CreateSolidBrush(kBlankColour);
                FillRect(dc, &paint.rcPaint, brush);
                DeleteObject(brush);
                EndPaint(window, &paint);
            }
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BlankWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "BlankWindow";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, "BlankWindow", "Blank", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
