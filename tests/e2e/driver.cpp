#include "tests/e2e/driver.h"

#include "tests/fixtures/synthetic_saver.h"

namespace e2e {

std::string Installed(const std::string& name) {
    return RealSystemFolder() + "\\" + name;
}

void RemoveFromSystemFolder(const std::string& name) {
    SetFileAttributesA(Installed(name).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(Installed(name).c_str());
    for (const auto& kept : KeptAsideFiles()) {
        SetFileAttributesA(Installed(kept).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(Installed(kept).c_str());
    }
}

std::vector<std::string> KeptAsideFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(Installed("SSV*.tmp").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        names.push_back(found.cFileName);
    FindClose(search);
    return names;
}

std::string WriteInstaller(const scratch::Folder& folder, const std::string& saverFileName,
                           const Bytes& saver) {
    RemoveFromSystemFolder(saverFileName);
    std::string path = folder / "setup.exe";
    scratch::Write(path, fixtures::RawInstaller(scratch::Read(scratch::SetupExePath()),
                                                fixtures::NameField(saverFileName), saver));
    return path;
}

void ResetRegistration() {
    HKEY desktop;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, &desktop);
    RegSetValueExA(desktop, "SCRNSAVE.EXE", 0, REG_SZ, reinterpret_cast<const BYTE*>("none"), 5);
    RegCloseKey(desktop);
    WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "none", "system.ini");
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
}

std::string RegisteredAs(const std::string& name) {
    char shortPath[MAX_PATH] = {};
    GetShortPathNameA(Installed(name).c_str(), shortPath, MAX_PATH);
    return std::string(shortPath) + " | " + shortPath + " | on";
}

DWORD ExitCode(InstallerProcess& installer) {
    DWORD exitCode = 99;
    return installer.WaitForExit(10000, &exitCode) ? exitCode : 99;
}

}  // namespace e2e
