#include <windows.h>

#include "installer/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandTail, int showCommand) {
    return RunInstaller(instance, previous, commandTail, showCommand);
}
