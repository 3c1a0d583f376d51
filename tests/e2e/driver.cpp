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

static const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring EntryName(const std::string& name) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(932, 0, name.c_str(), -1, wide, MAX_PATH);
    std::wstring stem = wide;
    return stem.substr(0, stem.find_last_of(L'.')) + L" スクリーンセーバー";
}

std::wstring EntryValue(const std::string& name, const wchar_t* value) {
    HKEY entry;
    std::wstring key = kUninstallKey + EntryName(name), text = L"(absent)";
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &entry))
        return text;
    wchar_t data[1024] = {};
    DWORD type = 0, size = sizeof data - sizeof(wchar_t);
    if (!RegQueryValueExW(entry, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size)) {
        DWORD number = 0;
        memcpy(&number, data, sizeof number);
        text = type == REG_DWORD ? std::to_wstring(number) : data;
    }
    RegCloseKey(entry);
    return text;
}

int TimesListed(const std::string& name) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read, write;
    if (!CreatePipe(&read, &write, &inherit, 0))
        return -1;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = write;
    PROCESS_INFORMATION process = {};
    wchar_t command[] = L"uninstaller.exe --list";
    BOOL started = CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &start, &process);
    CloseHandle(write);
    std::string listed;
    char buffer[4096];
    DWORD got = 0;
    while (started && ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got)
        listed.append(buffer, got);
    CloseHandle(read);
    if (!started)
        return -1;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // "key|||name" lines in the console's code page, where a name it cannot hold has "?"s.
    std::wstring entry = EntryName(name);
    std::string line(4 * entry.size() + 1, '\0');
    line.resize(WideCharToMultiByte(GetOEMCP(), 0, entry.c_str(), -1, &line[0],
                                    static_cast<int>(line.size()), nullptr, nullptr) -
                1);
    line = "\n" + line + "|||" + line + "\r\n";
    listed = "\n" + listed;
    int times = 0;
    for (size_t at = listed.find(line); at != std::string::npos; at = listed.find(line, at + 1))
        ++times;
    return times;
}

RemovalRun RunEntryCommand(const std::string& name, int answer) {
    RemovalRun run;
    std::wstring command = EntryValue(name, L"UninstallString");
    size_t quote = command.find(L'"', 1);
    if (command[0] != L'"' || quote == std::wstring::npos)
        return run;
    InstallerProcess removal(Utf8(command.substr(1, quote - 1).c_str()),
                             Utf8(command.substr(quote + 2).c_str()));
    run.question = removal.WaitForBox();
    if (run.question.box)
        InstallerProcess::Press(run.question, answer);
    run.said = removal.WaitForBox(answer == IDYES ? 10000 : 2000);
    if (run.said.box)
        InstallerProcess::Press(run.said, IDOK);
    run.exitCode = ExitCode(removal);
    return run;
}

std::wstring LastDeletionAtStart() {
    // Pairs of "\\??\\source" and the new name, empty for a deletion.
    std::vector<wchar_t> pairs(65536);
    DWORD size = static_cast<DWORD>(pairs.size() * sizeof(wchar_t)) - 4;
    HKEY manager;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, &manager))
        return L"";
    RegQueryValueExW(manager, L"PendingFileRenameOperations", nullptr, nullptr,
                     reinterpret_cast<BYTE*>(pairs.data()), &size);
    RegCloseKey(manager);
    std::wstring last;
    for (const wchar_t* p = pairs.data(); *p;) {
        std::wstring source = p, target = p + source.size() + 1;
        p += source.size() + target.size() + 2;
        if (target.empty())
            last = source.substr(source.rfind(L"\\??\\", 0) == 0 ? 4 : 0);
    }
    return last;
}

void RemoveEntry(const std::string& name) {
    std::wstring key = kUninstallKey + EntryName(name);
    std::wstring command = EntryValue(name, L"DisplayIcon");
    DeleteFileW(command.c_str());
    RemoveDirectoryW(command.substr(0, command.find_last_of(L'\\')).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
}

void RemoveFromSystemFolder(const std::string& name) {
    RemoveEntry(name);
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
