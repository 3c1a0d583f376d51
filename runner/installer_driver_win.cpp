#include "runner/installer_driver.h"

#include <fstream>

namespace e2e {

std::wstring Wide(const std::string& text) {
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(length - 1);
    return wide;
}

std::string Utf8(const wchar_t* text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(length - 1);
    return narrow;
}

namespace {

struct Search {
    DWORD processId;
    bool box;
    HWND window;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    bool isBox = wcscmp(className, L"#32770") == 0;
    if (isBox != search->box)
        return TRUE;
    search->window = window;
    return FALSE;
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

WindowSeen Describe(HWND window) {
    WindowSeen seen;
    if (!window)
        return seen;
    seen.found = true;
    seen.visible = IsWindowVisible(window) != FALSE;
    wchar_t text[256] = {};
    GetClassNameW(window, text, 256);
    seen.className = Utf8(text);
    GetWindowTextW(window, text, 256);
    seen.title = Utf8(text);
    GetWindowRect(window, &seen.rect);
    return seen;
}

InstallerProcess::InstallerProcess(const std::string& exe, const std::string& arguments) {
    std::wstring commandLine = L"\"" + Wide(exe) + L"\"";
    if (!arguments.empty())
        commandLine += L" " + Wide(arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(Wide(exe).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        startError_ = GetLastError();
        return;
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    id_ = process.dwProcessId;
}

InstallerProcess::~InstallerProcess() {
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

HWND FindProcessWindow(DWORD processId, bool box) {
    Search search = {processId, box, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.window;
}

HWND InstallerProcess::Find(bool box) {
    return FindProcessWindow(id_, box);
}

HWND InstallerProcess::WaitForProgressWindow(DWORD timeoutMs) {
    if (!process_)
        return nullptr;
    for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
        if (HWND window = Find(false))
            return window;
        if (WaitForSingleObject(process_, 10) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

BoxSeen WaitForProcessBox(DWORD processId, HANDLE process, DWORD timeoutMs) {
    BoxSeen seen;
    for (DWORD waited = 0; waited < timeoutMs && !seen.box; waited += 10) {
        seen.box = FindProcessWindow(processId, true);
        if (seen.box)
            break;
        if (!process)
            Sleep(10);
        else if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0)
            return seen;
    }
    if (!seen.box)
        return seen;
    wchar_t text[1024] = {};
    GetWindowTextW(seen.box, text, 1024);
    seen.caption = text;
    text[0] = 0;
    GetDlgItemTextW(seen.box, 0xFFFF, text, 1024);
    seen.text = text;
    const int kIconControl = 0x0440;  // stc1, the box's icon control
    seen.icon =
        reinterpret_cast<HICON>(SendDlgItemMessageW(seen.box, kIconControl, STM_GETICON, 0, 0));
    return seen;
}

BoxSeen InstallerProcess::WaitForBox(DWORD timeoutMs) {
    if (!process_)
        return BoxSeen();
    return WaitForProcessBox(id_, process_, timeoutMs);
}

void InstallerProcess::Press(const BoxSeen& box, int button) {
    PostMessageW(box.box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.box, button)));
    for (int i = 0; i < 500 && IsWindow(box.box); ++i)
        Sleep(10);
}

bool InstallerProcess::HasBox() {
    return Find(true) != nullptr;
}

bool InstallerProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(process_, exitCode);
    return true;
}

static std::string DesktopValue(const wchar_t* name) {
    HKEY desktop;
    wchar_t value[MAX_PATH] = L"(none)";
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_READ, &desktop))
        return Utf8(value);
    RegQueryValueExW(desktop, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(desktop);
    return Utf8(value);
}

std::string ReadRegistration() {
    wchar_t entry[MAX_PATH] = {};
    GetPrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", L"", entry, MAX_PATH, L"system.ini");
    return DesktopValue(L"SCRNSAVE.EXE") + " | " + Utf8(entry) + " | " +
           (DesktopValue(L"ScreenSaveActive") == "1" ? "on" : "off");
}

RunResult RunToCompletion(const std::string& exe, const std::string& arguments) {
    RunResult result;
    InstallerProcess installer(exe, arguments);
    HWND window = installer.WaitForProgressWindow();
    result.window = Describe(window);
    if (window) {
        BoxSeen confirm = installer.WaitForBox();
        if (confirm.box)
            InstallerProcess::Press(confirm, IDYES);
        BoxSeen report = installer.WaitForBox();
        result.reportCaption = report.caption;
        if (report.box)
            InstallerProcess::Press(report, IDOK);
    }
    result.exited = installer.WaitForExit(10000, &result.exitCode);
    return result;
}

Screen CaptureScreen() {
    Screen screen;
    screen.width = GetSystemMetrics(SM_CXSCREEN);
    screen.height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = screen.width;
    info.bmiHeader.biHeight = -screen.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screenDc = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screenDc);
    HBITMAP section = CreateDIBSection(screenDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, screen.width, screen.height, screenDc, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    screen.pixels.assign(pixels, pixels + static_cast<size_t>(screen.width) * screen.height);
    for (uint32_t& pixel : screen.pixels)
        pixel &= 0x00FFFFFF;
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screenDc);
    return screen;
}

Screen CaptureSettledScreen() {
    Screen previous = CaptureScreen();
    for (int i = 0; i < 40; ++i) {
        Sleep(50);
        Screen current = CaptureScreen();
        if (current.pixels == previous.pixels)
            return current;
        previous = current;
    }
    return previous;
}

void SaveBitmap(const Screen& screen, const std::string& path) {
    int stride = (screen.width * 3 + 3) / 4 * 4;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = screen.width;
    header.biHeight = screen.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + stride * screen.height;
    std::vector<uint8_t> out(file.bfSize, 0);
    memcpy(out.data(), &file, sizeof file);
    memcpy(out.data() + sizeof file, &header, sizeof header);
    for (int y = 0; y < screen.height; ++y) {
        uint8_t* row =
            out.data() + file.bfOffBits + static_cast<size_t>(screen.height - 1 - y) * stride;
        for (int x = 0; x < screen.width; ++x) {
            uint32_t pixel = screen.At(x, y);
            row[x * 3] = pixel & 0xFF;
            row[x * 3 + 1] = (pixel >> 8) & 0xFF;
            row[x * 3 + 2] = (pixel >> 16) & 0xFF;
        }
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
}

}  // namespace e2e
