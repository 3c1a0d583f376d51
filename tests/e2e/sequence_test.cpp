#include <gtest/gtest.h>

#include "installer/package.h"
#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

using e2e::Bytes;
using e2e::InstallerProcess;

namespace {

const wchar_t kQuestion[] = L"質問";
const wchar_t kInfo[] = L"情報";
const wchar_t kError[] = L"エラー";

std::string ReadDesktopValue(const char* name) {
    HKEY desktop;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &desktop))
        return "(no key)";
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    LONG read =
        RegQueryValueExA(desktop, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(desktop);
    return read == ERROR_SUCCESS ? value : "(no value)";
}

std::string ReadRegistryValue() {
    return ReadDesktopValue("SCRNSAVE.EXE");
}

std::string ReadBootEntry() {
    char value[MAX_PATH] = {};
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", value, MAX_PATH, "system.ini");
    return value;
}

// The setting as stored in the user's profile, which is what outlives the installer; the
// live value a process reads back under Wine follows the X server, not the profile.
bool ScreenSaverActive() {
    return ReadDesktopValue("ScreenSaveActive") == "1";
}

// Each test installs a screen saver of its own name, with the registration reset to a
// sentinel first, and leaves the system folder as it found it.
class Sequence : public testing::Test {
protected:
    void SetUp() override {
        HKEY desktop;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0,
                                               KEY_WRITE, &desktop));
        RegSetValueExA(desktop, "SCRNSAVE.EXE", 0, REG_SZ, reinterpret_cast<const BYTE*>("none"),
                       5);
        RegCloseKey(desktop);
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "none", "system.ini");
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
    }
    void TearDown() override { e2e::RemoveFromSystemFolder(name_ + extension_); }

    // Writes an installer for `saver` under the file name `name` + `extension` and gives its
    // path; the boxes show `name`.
    std::string MakeInstaller(const std::string& name, const Bytes& saver,
                              const std::string& extension = ".scr") {
        name_ = name;
        extension_ = extension;
        return e2e::WriteInstaller(folder_, name + extension, saver);
    }
    std::string Installed() const { return e2e::RealSystemFolder() + "\\" + name_ + extension_; }
    std::wstring WideName() const { return std::wstring(name_.begin(), name_.end()); }
    std::wstring ConfirmText() const {
        return L"「" + WideName() +
               L"」スクリーンセーバーのインストールを開始します。\r\n\r\nよろしいですか?";
    }
    std::wstring DoneText() const {
        return WideName() + L"\r\nをスクリーンセーバーとして設定しました。";
    }
    void ExpectRegistered() {
        std::string shortPath(MAX_PATH, '\0');
        shortPath.resize(GetShortPathNameA(Installed().c_str(), &shortPath[0], MAX_PATH));
        EXPECT_EQ(shortPath, ReadRegistryValue());
        EXPECT_EQ(shortPath, ReadBootEntry());
        EXPECT_TRUE(ScreenSaverActive());
    }
    void ExpectNothingRegistered() {
        EXPECT_EQ("none", ReadRegistryValue());
        EXPECT_EQ("none", ReadBootEntry());
        EXPECT_FALSE(ScreenSaverActive());
    }
    // The report of a completed install comes; after OK the installer ends with code 0 and
    // the saver stays installed.
    void ExpectReportThenInstalled(InstallerProcess& installer, const Bytes& saver) {
        e2e::BoxSeen done = installer.WaitForBox();
        EXPECT_EQ(kInfo, done.caption);
        InstallerProcess::Press(done, IDOK);
        ExpectEndsWithCodeZero(installer);
        EXPECT_EQ(saver, scratch::Read(Installed()));
    }
    static void ExpectEndsWithCodeZero(InstallerProcess& installer) {
        DWORD exitCode = 1;
        ASSERT_TRUE(installer.WaitForExit(10000, &exitCode));
        EXPECT_EQ(0u, exitCode);
    }

    scratch::Folder folder_{"sequence"};
    std::string name_, extension_;
};

Bytes Saver() {
    return fixtures::SaverImage(4096, fixtures::SplashDib(64, 48));
}

TEST_F(Sequence, ConfirmsAtTheFirstTickRunsToTheEndAndRegisters) {
    Bytes saver = Saver();
    InstallerProcess installer(MakeInstaller("e2e_full", saver));
    HWND window = installer.WaitForProgressWindow();
    ASSERT_NE(nullptr, window);

    e2e::BoxSeen confirm = installer.WaitForBox();
    ASSERT_NE(nullptr, confirm.box);
    EXPECT_TRUE(IsWindowVisible(window));  // the window is up before the question comes
    EXPECT_EQ(window, GetWindow(confirm.box, GW_OWNER));
    EXPECT_EQ(kQuestion, confirm.caption);
    EXPECT_EQ(ConfirmText(), confirm.text);
    InstallerProcess::Press(confirm, IDYES);

    e2e::BoxSeen done = installer.WaitForBox();
    ASSERT_NE(nullptr, done.box);
    EXPECT_EQ(kInfo, done.caption);
    EXPECT_EQ(DoneText(), done.text);
    ExpectRegistered();  // registration comes before the report
    InstallerProcess::Press(done, IDOK);

    ExpectEndsWithCodeZero(installer);
    EXPECT_EQ(saver, scratch::Read(Installed()));
    EXPECT_TRUE(e2e::KeptAsideFiles().empty());
}

TEST_F(Sequence, DecliningRemovesTheFileAndBringsBackAnEarlierOne) {
    // The boxes show the file name without its last extension, or whole when it has none.
    for (bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "with an earlier file" : "without an earlier file");
        std::string installer_path = earlier ? MakeInstaller("e2e_decline", Saver(), "")
                                             : MakeInstaller("e2e.decline.v2", Saver());
        Bytes previous(3333, 0x5A);
        if (earlier)
            scratch::Write(Installed(), previous);

        InstallerProcess installer(installer_path);
        e2e::BoxSeen confirm = installer.WaitForBox();
        ASSERT_NE(nullptr, confirm.box);
        EXPECT_EQ(ConfirmText(), confirm.text);
        InstallerProcess::Press(confirm, IDNO);

        EXPECT_EQ(nullptr, installer.WaitForBox(3000).box);  // no further box
        ExpectEndsWithCodeZero(installer);
        if (earlier) {
            EXPECT_EQ(previous, scratch::Read(Installed()));
        } else {
            EXPECT_FALSE(scratch::Exists(Installed()));
        }
        ExpectNothingRegistered();
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
    }
}

// Escape, and a close from outside (Alt+F4 goes through the default handling to WM_CLOSE),
// ask whether to abort; Yes undoes the install, No lets it run on.
TEST_F(Sequence, EscapeOrAltF4MidRunAsksAndAbortsOrGoesOn) {
    struct Case {
        const char* what;
        UINT message;
        WPARAM key;
        LPARAM flags;
        bool abort;
    } cases[] = {
        {"Escape, abort", WM_KEYDOWN, VK_ESCAPE, 0x00010001, true},
        {"Alt+F4, abort", WM_SYSKEYDOWN, VK_F4, 0x203E0001, true},
        {"Escape, go on", WM_KEYDOWN, VK_ESCAPE, 0x00010001, false},  // registers from here on
        {"Alt+F4, go on", WM_SYSKEYDOWN, VK_F4, 0x203E0001, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes saver = Saver();
        std::string installer_path = MakeInstaller("e2e_escape", saver);
        Bytes previous(1234, 0x3C);
        scratch::Write(Installed(), previous);

        InstallerProcess installer(installer_path);
        HWND window = installer.WaitForProgressWindow();
        InstallerProcess::Press(installer.WaitForBox(), IDYES);
        // Posted input comes before the next tick, so this lands early in the run.
        PostMessageW(window, c.message, c.key, c.flags);

        e2e::BoxSeen question = installer.WaitForBox();
        ASSERT_NE(nullptr, question.box);
        EXPECT_EQ(kQuestion, question.caption);
        EXPECT_EQ(L"インストールを中断してよろしいですか?", question.text);
        InstallerProcess::Press(question, c.abort ? IDYES : IDNO);

        if (c.abort) {
            EXPECT_EQ(nullptr, installer.WaitForBox(3000).box);
            ExpectEndsWithCodeZero(installer);
            EXPECT_EQ(previous, scratch::Read(Installed()));
            ExpectNothingRegistered();
        } else {
            ExpectReportThenInstalled(installer, saver);
            ExpectRegistered();
        }
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
    }
}

TEST_F(Sequence, OtherKeysChangeNothing) {
    Bytes saver = Saver();
    InstallerProcess installer(MakeInstaller("e2e_keys", saver));
    HWND window = installer.WaitForProgressWindow();
    InstallerProcess::Press(installer.WaitForBox(), IDYES);
    for (WPARAM key : {WPARAM{'A'}, WPARAM{VK_RETURN}, WPARAM{VK_SPACE}, WPARAM{VK_F4}})
        PostMessageW(window, WM_KEYDOWN, key, 0x00010001);

    ExpectReportThenInstalled(installer, saver);  // straight to the report, no question
}

TEST_F(Sequence, APackageWithoutSplashInstallsNormally) {
    Bytes saver = fixtures::SaverImage(2048, {});
    InstallerProcess installer(MakeInstaller("e2e_nosplash", saver));
    InstallerProcess::Press(installer.WaitForBox(), IDYES);
    ExpectReportThenInstalled(installer, saver);
    ExpectRegistered();
}

}  // namespace
