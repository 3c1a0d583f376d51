#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace e2e {

namespace {

std::wstring Wide(const std::string& text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(length - 1);
    return wide;
}

std::string Narrow(const wchar_t* text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(length - 1);
    return narrow;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

struct Search {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    // Message boxes (#32770) belong to later steps; the progress window is what is looked for.
    if (owner == search->processId && wcscmp(className, L"#32770") != 0 &&
        IsWindowVisible(window)) {
        search->window = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::string SetupExePath() {
    const char* path = getenv("SETUP_EXE");
    if (!path)
        return "";
    std::string windows = path;
    if (!windows.empty() && windows[0] == '/')
        windows = "Z:" + windows;
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    return windows;
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ScratchFolder::ScratchFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "e2e-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    RemoveTree(path_);
}

bool IsWow64() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 != FALSE;
}

std::string RealSystemFolder() {
    char folder[MAX_PATH] = {};
    if (IsWow64())
        GetSystemWow64DirectoryA(folder, MAX_PATH);
    else
        GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

RunResult RunAndClose(const std::string& exe, const std::string& arguments) {
    RunResult result;
    std::wstring commandLine = L"\"" + Wide(exe) + L"\"";
    if (!arguments.empty())
        commandLine += L" " + Wide(arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(Wide(exe).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
        return result;
    }
    Search search = {process.dwProcessId, nullptr};
    for (int i = 0; i < 1000 && !search.window; ++i) {
        if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0)
            break;
        EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    }
    if (search.window) {
        WindowSeen& seen = result.window;
        seen.found = true;
        seen.visible = IsWindowVisible(search.window) != FALSE;
        wchar_t text[256] = {};
        GetClassNameW(search.window, text, 256);
        seen.className = Narrow(text);
        GetWindowTextW(search.window, text, 256);
        seen.title = Narrow(text);
        GetWindowRect(search.window, &seen.rect);
        PostMessageW(search.window, WM_CLOSE, 0, 0);
    }
    result.exited = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
    if (!result.exited)
        TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

void RemoveFromSystemFolder(const std::string& name) {
    std::string path = RealSystemFolder() + "\\" + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    for (const auto& kept : KeptAsideFiles())
        DeleteFileA((RealSystemFolder() + "\\" + kept).c_str());
}

std::vector<std::string> KeptAsideFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((RealSystemFolder() + "\\SSV*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

}  // namespace e2e
