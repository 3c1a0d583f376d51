#include <windows.h>

#include "installer/startup.h"

// The process starts here, without the C runtime's start-up: the installer needs no arguments,
// only the show command its starter asked for.
extern "C" void WINAPI SetupEntry() {
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(RunInstaller(GetModuleHandleA(nullptr), nullptr, nullptr, show));
}
