#pragma once
// Drives a real installer as a user would: starts it, waits for its progress window and its
// message boxes, reads them, answers them, looks at the screen and collects the exit code.
// The end-to-end tests and the preview tool are built on it.

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// UTF-8 and UTF-16: the driver's paths and arguments are UTF-8, so any folder name can be given.
std::wstring Wide(const std::string& text);
std::string Utf8(const wchar_t* text);

// Where a 32-bit program's system files really are: SysWOW64 under WOW64, else system32.
// Read through this folder, the driver sees the file whatever redirection does.
std::string RealSystemFolder();
bool IsWow64();

struct WindowSeen {
    bool found = false;
    bool visible = false;
    std::string className;  // UTF-8
    std::string title;      // UTF-8
    RECT rect = {};
};
WindowSeen Describe(HWND window);

struct BoxSeen {
    HWND box = nullptr;
    std::wstring caption;
    std::wstring text;
    HICON icon = nullptr;  // what the box's icon control shows
};

// A visible top-level window of a process that is (or is not) a message box, without waiting;
// null when there is none.
HWND FindProcessWindow(DWORD processId, bool box);

// The next visible message box of a process (this one included), read; an empty result if
// none comes in time or, when `process` is given, the process ends first.
BoxSeen WaitForProcessBox(DWORD processId, HANDLE process, DWORD timeoutMs);

class InstallerProcess {
public:
    explicit InstallerProcess(const std::string& exe, const std::string& arguments = "");
    ~InstallerProcess();  // ends the process (exit code 99) if it still runs
    InstallerProcess(const InstallerProcess&) = delete;
    InstallerProcess& operator=(const InstallerProcess&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD startError() const { return startError_; }
    // The visible top-level window that is not a message box; null if none comes in time.
    HWND WaitForProgressWindow(DWORD timeoutMs = 10000);
    // The next visible message box; an empty result if none comes in time or the process ends.
    BoxSeen WaitForBox(DWORD timeoutMs = 10000);
    // Presses a button of a box and waits for the box to go away.
    static void Press(const BoxSeen& box, int button);
    bool HasBox();
    // True when the process ended in time; its exit code in *exitCode.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

private:
    HWND Find(bool box);
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    DWORD startError_ = 0;
};

// The whole screen as 0x00RRGGBB values, row by row from the top.
struct Screen {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Screen CaptureScreen();
// The screen once two captures 50 ms apart agree: Wine hands drawing to the X server a little
// later, so a capture right after a paint can show the one before.
Screen CaptureSettledScreen();
// Writes a capture as a 24-bit BMP file, for people to look at.
void SaveBitmap(const Screen& screen, const std::string& path);

// The screen saver registration as the user's profile holds it: the "Control Panel\Desktop"
// value, the "system.ini" entry and the active flag, as "value | entry | on" (or "off"), in UTF-8.
// The live flag a process reads back under Wine follows the X server, so the profile's is read.
std::string ReadRegistration();

struct RunResult {
    bool exited = false;  // within the time allowed
    DWORD exitCode = 0;
    WindowSeen window;
    std::wstring reportCaption;  // of the box that ends a completed install
};

// Starts `exe` with `arguments` and, when its progress window comes, goes through the install
// as a user who says Yes and OK would; then waits for the process to end.
RunResult RunToCompletion(const std::string& exe, const std::string& arguments = "");

}  // namespace e2e
