#include "installer/registration.h"

#include <windows.h>

#include "support/path.h"

bool SetScreenSaver(const char* longPath) {
    char shortPath[kPathBufferSize];
    DWORD length = GetShortPathNameA(longPath, shortPath, sizeof shortPath);
    // Without a short form the long path is what names the file; never write an unset buffer.
    if (length == 0 || length >= sizeof shortPath)
        lstrcpynA(shortPath, longPath, sizeof shortPath);

    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, SPIF_UPDATEINIFILE);
    WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", shortPath, "system.ini");

    HKEY controlPanel;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel", 0, KEY_WRITE, &controlPanel) > 0)
        return false;
    HKEY desktop;
    if (RegOpenKeyExA(controlPanel, "Desktop", 0, KEY_WRITE, &desktop) > 0) {
        RegCloseKey(controlPanel);
        return false;
    }
    LONG stored = RegSetValueExA(desktop, "SCRNSAVE.EXE", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(shortPath), lstrlenA(shortPath) + 1);
    RegCloseKey(controlPanel);
    RegCloseKey(desktop);
    return stored <= 0;
}
