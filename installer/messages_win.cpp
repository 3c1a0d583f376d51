#include "installer/messages.h"

#include "installer/installer_state.h"

// Captions are code page 932 bytes, as every narrow text of the program.
static const char kErrorCaption[] = "\x83\x47\x83\x89\x81\x5B";  // エラー

char* LoadTextById(UINT id, char* buffer) {
    buffer[0] = 0;
    LoadStringA(g_installer.InstanceHandle, id, buffer, kTextBufferSize);
    return buffer;
}

void ShowErrorById(HWND owner, UINT id) {
    char text[kTextBufferSize];
    MessageBoxA(owner, LoadTextById(id, text), kErrorCaption,
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
