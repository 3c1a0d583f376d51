// A screen saver goes where this Windows starts it from: an x64 one into the system's own
// System32 (past the 32-bit view a 32-bit program has of it) and registered there; an x86 one
// where 32-bit programs live. Where it cannot run, a box says so and nothing is written.
#include <gtest/gtest.h>

#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

namespace {

using e2e::InstallerProcess;
using scratch::Bytes;

// A sample built by this build, with the data header that the authors' tool adds.
Bytes BuiltSaver(const char* file) {
    std::string setup = scratch::SetupExePath();
    Bytes program = scratch::Read(setup.substr(0, setup.find_last_of("\\/") + 1) + file);
    return program.empty() ? program : fixtures::WithDataHeader(program, {});
}

// System32 as a 32-bit program reaches it under WOW64, and as the system names it.
std::string NativeFolder(bool reached) {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    std::string path = folder;
    if (reached)
        path = path.substr(0, path.find_last_of('\\')) + "\\Sysnative";
    return path;
}

TEST(Machine, EachSaverInTheSystemFolderItRunsFrom) {
    const std::string x64Name = "e2e x64 saver.scr", x86Name = "e2e_x86.scr";
    const std::string x64File = NativeFolder(true) + "\\" + x64Name;
    scratch::Folder folder("machine");
    Bytes x64 = BuiltSaver("starlight64.scr"), x86 = BuiltSaver("starlight.scr");
    ASSERT_FALSE(x64.empty());

    if (!e2e::IsWow64()) {
        Bytes earlier(3000, 0x41);
        std::string setup = e2e::WriteInstaller(folder, x64Name, x64);
        scratch::Write(e2e::Installed(x64Name), earlier);
        e2e::ResetRegistration();
        InstallerProcess installer(setup);
        e2e::BoxSeen box = installer.WaitForBox();
        ASSERT_NE(nullptr, box.box);
        EXPECT_EQ(L"エラー", box.caption);
        EXPECT_EQ(
            L"e2e x64 saver\r\nはこのコンピューターの Windows では動作しないため、インスト"
            L"ールできません。",
            box.text);
        EXPECT_EQ(nullptr, installer.WaitForProgressWindow(300));
        InstallerProcess::Press(box, IDOK);
        EXPECT_EQ(0u, e2e::ExitCode(installer));
        EXPECT_EQ(earlier, scratch::Read(e2e::Installed(x64Name)));
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
        EXPECT_EQ("none | none | off", e2e::ReadRegistration());
        e2e::RemoveFromSystemFolder(x64Name);
        return;
    }

    e2e::RemoveFromSystemFolder(x64Name);
    DeleteFileW(e2e::Wide(x64File).c_str());
    e2e::ResetRegistration();
    e2e::RunResult run = e2e::RunToCompletion(e2e::WriteInstaller(folder, x64Name, x64));
    EXPECT_EQ(L"情報", run.reportCaption);
    EXPECT_EQ(x64, scratch::Read(x64File));
    EXPECT_FALSE(scratch::Exists(e2e::Installed(x64Name)));  // not in SysWOW64
    // Its short form, as the system sees System32.
    wchar_t shortPath[MAX_PATH] = {};
    PVOID redirection = nullptr;
    ASSERT_TRUE(Wow64DisableWow64FsRedirection(&redirection));
    GetShortPathNameW(e2e::Wide(NativeFolder(false) + "\\" + x64Name).c_str(), shortPath, MAX_PATH);
    Wow64RevertWow64FsRedirection(redirection);
    std::string registered = e2e::Utf8(shortPath);
    EXPECT_NE(std::string::npos, registered.find('~')) << registered;
    EXPECT_EQ(registered + " | " + registered + " | on", e2e::ReadRegistration());

    // Started as the system starts it, it runs: a 64-bit program among 64-bit files.
    std::wstring command = L"\"" + e2e::Wide(x64File) + L"\" /s";
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION saver = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &start, &saver));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(saver.hProcess, 3000));
    TerminateProcess(saver.hProcess, 0);
    WaitForSingleObject(saver.hProcess, 5000);
    CloseHandle(saver.hThread);
    CloseHandle(saver.hProcess);
    // Its entry in Apps & features takes it away from there.
    EXPECT_EQ(L"情報", e2e::RunEntryCommand(x64Name, IDYES).said.caption);
    EXPECT_FALSE(scratch::Exists(x64File));
    EXPECT_EQ("(none) |  | on", e2e::ReadRegistration());

    e2e::RunResult x86Run = e2e::RunToCompletion(e2e::WriteInstaller(folder, x86Name, x86));
    EXPECT_EQ(L"情報", x86Run.reportCaption);
    EXPECT_EQ(x86, scratch::Read(e2e::Installed(x86Name)));
    EXPECT_FALSE(scratch::Exists(NativeFolder(true) + "\\" + x86Name));
    e2e::RemoveFromSystemFolder(x86Name);
}

}  // namespace
