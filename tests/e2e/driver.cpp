#include "tests/e2e/driver.h"

#include "tests/fixtures/synthetic_saver.h"

namespace e2e {

std::string Installed(const std::string& name) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(932, 0, name.c_str(), -1, wide, MAX_PATH);
    return RealSystemFolder() + "\\" + Utf8(wide);
}

static void DeleteAnyway(const std::string& path) {
    std::wstring wide = scratch::WidePath(path);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(wide.c_str());
}

void RemoveFromSystemFolder(const std::string& name) {
    DeleteAnyway(Installed(name));
    for (const auto& left : KeptAsideFiles())
        DeleteAnyway(RealSystemFolder() + "\\" + left);
}

std::vector<std::string> KeptAsideFiles() {
    std::vector<std::string> names;
    for (const char* pattern : {"*.~new", "*.~old"}) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(scratch::WidePath(Installed(pattern)).c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
            names.push_back(Utf8(found.cFileName));
        FindClose(search);
    }
    return names;
}

std::string WriteInstaller(const scratch::Folder& folder, const std::string& saverFileName,
                           const Bytes& saver, const Bytes& stub) {
    RemoveFromSystemFolder(saverFileName);
    std::string path = folder / "setup.exe";
    scratch::Write(
        path, fixtures::RawInstaller(stub.empty() ? scratch::Read(scratch::SetupExePath()) : stub,
                                     fixtures::NameField(saverFileName), saver));
    return path;
}

Bytes Utf8CodePageStub(const scratch::Folder& folder) {
    std::string path = folder / "utf8-stub.exe";
    scratch::Write(path, scratch::Read(scratch::SetupExePath()));
    std::string manifest;
    if (HMODULE image = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        if (HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))
            manifest.assign(static_cast<const char*>(LockResource(LoadResource(image, found))),
                            SizeofResource(image, found));
        FreeLibrary(image);
    }
    size_t at = manifest.find("</windowsSettings>");
    if (at == std::string::npos)
        return {};
    manifest.insert(at,
                    "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/"
                    "WindowsSettings\">UTF-8</activeCodePage>");
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update ||
        !UpdateResourceA(update, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1),
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &manifest[0],
                         static_cast<DWORD>(manifest.size())) ||
        !EndUpdateResourceA(update, FALSE))
        return {};
    return scratch::Read(path);
}

void ResetRegistration() {
    HKEY desktop;
    scratch::MakeDesktopKeyWritable();
    RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, &desktop);
    RegSetValueExA(desktop, "SCRNSAVE.EXE", 0, REG_SZ, reinterpret_cast<const BYTE*>("none"), 5);
    RegCloseKey(desktop);
    WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "none", "system.ini");
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
}

std::string RegisteredAs(const std::string& name) {
    wchar_t shortPath[MAX_PATH] = {};
    GetShortPathNameW(scratch::WidePath(Installed(name)).c_str(), shortPath, MAX_PATH);
    return Utf8(shortPath) + " | " + Utf8(shortPath) + " | on";
}

DWORD ExitCode(InstallerProcess& installer) {
    DWORD exitCode = 99;
    return installer.WaitForExit(10000, &exitCode) ? exitCode : 99;
}

}  // namespace e2e
