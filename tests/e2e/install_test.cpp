#include <gtest/gtest.h>

#include "installer/package.h"
#include "support/path.h"
#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

using e2e::Bytes;

namespace {

Bytes Stub() {
    return scratch::Read(scratch::SetupExePath());
}

Bytes SampleSaver() {
    return fixtures::SaverImage(4096, fixtures::SplashDib(48, 32));
}

Bytes Installer(const Bytes& saver, const std::string& name) {
    Bytes stub = Stub();
    Bytes file(
        InstallerFileSize(static_cast<uint32_t>(stub.size()), static_cast<uint32_t>(saver.size())));
    const char* reason = nullptr;
    EXPECT_TRUE(WriteInstallerFile(stub.data(), static_cast<uint32_t>(stub.size()), saver.data(),
                                   static_cast<uint32_t>(saver.size()), name.c_str(), file.data(),
                                   &reason))
        << reason;
    return file;
}

// Each test installs under a name of its own and leaves the system folder as it found it.
class Install : public testing::Test {
protected:
    void TearDown() override {
        for (const auto& name : names_)
            e2e::RemoveFromSystemFolder(name);
    }
    std::string Name(const std::string& name) {
        names_.push_back(name);
        e2e::RemoveFromSystemFolder(name);
        return name;
    }
    std::string Installed(const std::string& name) { return e2e::RealSystemFolder() + "\\" + name; }

private:
    std::vector<std::string> names_;
};

TEST_F(Install, WritesTheSaverAndShowsTheFullScreenWindow) {
    ASSERT_FALSE(scratch::SetupExePath().empty()) << "SETUP_EXE is not set";
    scratch::Folder folder("plain");
    std::string name = Name("e2e_plain.scr");
    Bytes saver = SampleSaver();
    scratch::Write(folder / "setup.exe", Installer(saver, name));

    e2e::RunResult run = e2e::RunToCompletion(folder / "setup.exe");

    ASSERT_TRUE(run.window.found);
    EXPECT_TRUE(run.window.visible);
    EXPECT_EQ("SetupWClass", run.window.className);
    EXPECT_EQ("Setup", run.window.title);
    EXPECT_EQ(0, run.window.rect.left);
    EXPECT_EQ(0, run.window.rect.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), run.window.rect.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), run.window.rect.bottom);
    EXPECT_EQ(L"情報", run.reportCaption);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(saver, scratch::Read(Installed(name)));
}

TEST_F(Install, SystemFolderIsWhere32BitSystemFilesLive) {
    // The test command names the folder it expects for the prefix it runs in.
    const char* expected = getenv("SETUP_EXPECTED_SYSTEM_FOLDER");
    ASSERT_NE(nullptr, expected);
    scratch::Folder folder("wow64");
    std::string name = Name("e2e_wow64.scr");
    Bytes saver = SampleSaver();
    scratch::Write(folder / "setup.exe", Installer(saver, name));

    e2e::RunResult run = e2e::RunToCompletion(folder / "setup.exe");

    EXPECT_TRUE(run.window.found);
    EXPECT_EQ(0u, run.exitCode);
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string expectedPath = std::string(windows) + "\\" + expected + "\\" + name;
    std::string otherPath = std::string(windows) + "\\" +
                            (std::string(expected) == "system32" ? "syswow64" : "system32") + "\\" +
                            name;
    // Without redirection, system32 is the folder it names and not SysWOW64 in disguise.
    PVOID redirection = nullptr;
    bool wow64 = e2e::IsWow64();
    if (wow64) {
        ASSERT_TRUE(Wow64DisableWow64FsRedirection(&redirection));
    }
    Bytes written = scratch::Read(expectedPath);
    bool elsewhere = scratch::Exists(otherPath);
    if (wow64)
        Wow64RevertWow64FsRedirection(redirection);
    EXPECT_EQ(saver, written) << expectedPath;
    EXPECT_FALSE(elsewhere) << otherPath;
}

TEST_F(Install, FindsItselfWhateverItsNameAndArguments) {
    // A browser's second download, in a folder with spaces, started with a path argument; and
    // a user folder whose name the Japanese code page cannot hold.
    struct Case {
        const char* folder;  // UTF-8
        const char* file;
        const char* arguments;
    } cases[] = {
        {"my downloads", "setup (1).exe", "C:\\some\\argument"},
        {"Zo\xC3\xAB \xED\x95\x9C\xEA\xB8\x80", "setup.exe", ""},  // Zoë 한글
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        scratch::Folder parent("awkward");
        std::wstring folder = e2e::Wide(parent.path()) + L"\\" + e2e::Wide(c.folder);
        std::wstring exe = folder + L"\\" + e2e::Wide(c.file);
        std::string name = Name("e2e_awkward.scr");
        Bytes saver = SampleSaver();
        scratch::Write(parent / "setup.exe", Installer(saver, name));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(MoveFileW(e2e::Wide(parent / "setup.exe").c_str(), exe.c_str()));

        e2e::RunResult run = e2e::RunToCompletion(e2e::Utf8(exe.c_str()), c.arguments);

        EXPECT_TRUE(run.window.found);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(saver, scratch::Read(Installed(name)));
        MoveFileW(exe.c_str(), e2e::Wide(parent / "setup.exe").c_str());  // for RemoveTree
        RemoveDirectoryW(folder.c_str());
    }
}

TEST_F(Install, ReplacesAnEarlierFileAndKeepsNoSpareCopy) {
    scratch::Folder folder("replace");
    std::string name = Name("e2e_replace.scr");
    scratch::Write(Installed(name), Bytes(5000, 0x77));
    Bytes saver = SampleSaver();
    scratch::Write(folder / "setup.exe", Installer(saver, name));

    e2e::RunResult run = e2e::RunToCompletion(folder / "setup.exe");

    EXPECT_TRUE(run.window.found);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(saver, scratch::Read(Installed(name)));
    EXPECT_TRUE(e2e::KeptAsideFiles().empty());
}

TEST_F(Install, LeavesAnEarlierFileAloneWhenItCannotBeReplaced) {
    // Held open without delete sharing, as a running screen saver would be; or read-only.
    for (bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only" : "held open");
        scratch::Folder folder("busy");
        std::string name = Name("e2e_busy.scr");
        Bytes previous(3000, 0x55);
        scratch::Write(Installed(name), previous);
        scratch::Write(folder / "setup.exe", Installer(SampleSaver(), name));
        HANDLE busy = INVALID_HANDLE_VALUE;
        if (readOnly) {
            SetFileAttributesA(Installed(name).c_str(), FILE_ATTRIBUTE_READONLY);
        } else {
            busy = CreateFileA(Installed(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, busy);
        }

        e2e::RunResult run = e2e::RunToCompletion(folder / "setup.exe");
        CloseHandle(busy);

        EXPECT_FALSE(run.window.found);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(previous, scratch::Read(Installed(name)));
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
        e2e::RemoveFromSystemFolder(name);
    }
}

Bytes WithSetupBoundary(Bytes saver, size_t at) {
    Bytes marker = fixtures::Marker(BuildSetupBoundary);
    saver.insert(saver.begin() + static_cast<long>(at), marker.begin(), marker.end());
    return saver;
}

Bytes HeaderOnly(uint32_t n, uint32_t x, uint32_t y, size_t tail) {
    return fixtures::HeaderOnlySaver(2000, n, x, y, tail);
}

Bytes BrokenSplash() {
    Bytes splash = fixtures::SplashDib(48, 32);
    splash.resize(splash.size() / 2);  // rows cut: the header promises more than is there
    return fixtures::SaverImage(1000, splash);
}

struct Broken {
    const char* what;
    Bytes nameField;
    Bytes saver;
    bool cutLastByte;  // the file ends one byte early
    bool window;       // the progress window comes up
    bool fileWritten;  // the saver is in the system folder afterwards, byte for byte
};

TEST_F(Install, BrokenPackagesNeverCrashAndWriteOnlyWhatIsSafe) {
    Bytes noTerminator(kSaverNameFieldLength, 'n');
    Bytes shortField = fixtures::NameField("e2e_b9.scr");
    shortField.pop_back();  // the file ends 305 bytes after the boundary
    Bytes saver = SampleSaver();
    // The longest name whose target path fits in 259 bytes, and one byte more.
    std::string longest(kPathBufferSize - 6 - e2e::RealSystemFolder().size(), 'L');
    const Broken cases[] = {
        {"second SetupBoundary inside the saver", fixtures::NameField("e2e_b1.scr"),
         WithSetupBoundary(saver, 100), false, true, true},
        {"no splash picture (N = 0)", fixtures::NameField("e2e_b2.scr"),
         fixtures::SaverImage(3000, {}), false, true, true},
        {"N past the end", fixtures::NameField("e2e_b3.scr"), HeaderOnly(500, 0, 0, 8 + 100), false,
         true, true},
        {"X past the end", fixtures::NameField("e2e_b4.scr"), HeaderOnly(0, 0x7FFFFFFF, 0, 40),
         false, true, true},
        {"Y past the end", fixtures::NameField("e2e_b5.scr"), HeaderOnly(0, 0, 0xFFFFFFF0u, 40),
         false, true, true},
        {"splash rows cut short", fixtures::NameField("e2e_b6.scr"), BrokenSplash(), false, true,
         true},
        {"target path of 259 bytes", fixtures::NameField(longest + ".scr"), saver, false, true,
         true},
        {"empty saver image", fixtures::NameField("e2e_b7.scr"), {}, false, false, false},
        {"no SaverBoundary (a download cut short)", fixtures::NameField("e2e_b8.scr"),
         Bytes(saver.begin(), saver.begin() + 2000), false, false, false},
        {"fewer than 306 bytes after P", fixtures::NameField("e2e_b9.scr"), {}, true, false, false},
        {"name without its zero byte", noTerminator, saver, false, false, false},
        {"name climbing out", fixtures::NameField("..\\e2e_b10.scr"), saver, false, false, false},
        {"name with a drive", fixtures::NameField("C:e2e_b11.scr"), saver, false, false, false},
        {"target path of 260 bytes", fixtures::NameField(longest + "L.scr"), saver, false, false,
         false},
    };
    Bytes stub = Stub();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name(
            reinterpret_cast<const char*>(c.nameField.data()),
            strnlen(reinterpret_cast<const char*>(c.nameField.data()), c.nameField.size()));
        // An earlier file of the name, where it can have one, changes only for a new one.
        bool plain = name.find_first_of("\\:") == std::string::npos &&
                     Installed(name).size() < kPathBufferSize;
        Bytes earlier(777, 0x33);
        if (plain)
            scratch::Write(Installed(Name(name)), earlier);
        scratch::Folder folder("broken");
        Bytes file = fixtures::RawInstaller(stub, c.nameField, c.saver);
        if (c.cutLastByte)
            file.pop_back();
        scratch::Write(folder / "setup.exe", file);

        e2e::RunResult run = e2e::RunToCompletion(folder / "setup.exe");

        EXPECT_TRUE(run.exited);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(c.window, run.window.found);
        if (plain) {
            EXPECT_EQ(c.fileWritten ? c.saver : earlier, scratch::Read(Installed(name)));
        }
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
    }
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_FALSE(scratch::Exists(std::string(windows) + "\\e2e_b10.scr"));
}

}  // namespace
