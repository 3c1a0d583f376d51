#pragma once
// Drives a real installer under Wine: builds installer files from setup.exe, starts them,
// watches for their window, closes it, and reports what happened.

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

using Bytes = std::vector<uint8_t>;

// setup.exe as built (SETUP_EXE, a Unix path that Wine reaches through drive Z:).
std::string SetupExePath();
Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);
bool FileExists(const std::string& path);

// A fresh folder of its own for one test, removed with everything in it at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Where a 32-bit program's system files really are: SysWOW64 under WOW64, else system32.
// Read through this folder, the driver sees the file whatever redirection does.
std::string RealSystemFolder();
bool IsWow64();

struct WindowSeen {
    bool found = false;
    bool visible = false;
    std::string className;
    std::string title;
    RECT rect = {};
};

struct RunResult {
    bool exited = false;  // within the time allowed
    DWORD exitCode = 0;
    WindowSeen window;
};

// Starts `exe` with `arguments`, waits for its progress window (or its end), closes the
// window as a user would and waits for the process to end.
RunResult RunAndClose(const std::string& exe, const std::string& arguments = "");

// Deletes a screen saver the tests put into the system folder, and any file kept aside.
void RemoveFromSystemFolder(const std::string& name);
std::vector<std::string> KeptAsideFiles();

}  // namespace e2e
