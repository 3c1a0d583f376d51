#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

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
