#pragma once
// Drives a real installer under Wine: starts it, watches for its window, closes it, and reports
// what happened. Files and scratch folders come from tests/fixtures/scratch.h.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/fixtures/scratch.h"

namespace e2e {

using scratch::Bytes;

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
