#include <gtest/gtest.h>

#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

#include <sddl.h>  // needs windows.h first

using e2e::Bytes;
using e2e::InstallerProcess;

namespace {

const wchar_t kAbortText[] = L"インストールを中断してよろしいですか?";

// Each test installs a screen saver of its own name, with the registration reset first, and
// leaves the system folder as it found it.
class Sequence : public testing::Test {
protected:
    void SetUp() override { e2e::ResetRegistration(); }
    void TearDown() override { e2e::RemoveFromSystemFolder(file_); }

    // Writes an installer for `saver` under the file name `file` and gives its path.
    std::string MakeInstaller(const std::string& file, const Bytes& saver) {
        file_ = file;
        return e2e::WriteInstaller(folder_, file, saver);
    }
    std::string Installed() const { return e2e::Installed(file_); }
    // After Yes and the run to 100: the report with its text, then code 0 and the file in place.
    void ExpectReportThenInstalled(InstallerProcess& installer, const Bytes& saver,
                                   const std::wstring& caption, const std::wstring& text) {
        e2e::BoxSeen done = installer.WaitForBox();
        EXPECT_EQ(caption, done.caption);
        EXPECT_EQ(text, done.text);
        InstallerProcess::Press(done, IDOK);
        EXPECT_EQ(0u, e2e::ExitCode(installer));
        EXPECT_EQ(saver, scratch::Read(Installed()));
    }

    scratch::Folder folder_{"sequence"};
    std::string file_;
};

Bytes Saver() {
    return fixtures::SaverImage(4096, fixtures::SplashDib(64, 48));
}

// No at the question removes the file and brings back an earlier one. The question shows the
// file name without its last extension, or whole when it has none.
TEST_F(Sequence, DecliningRemovesTheFileAndBringsBackAnEarlierOne) {
    struct Case {
        const char* file;
        const wchar_t* shown;
        bool earlier;
    } cases[] = {{"e2e.decline.v2.scr", L"e2e.decline.v2", false},
                 {"e2e_decline", L"e2e_decline", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string exe = MakeInstaller(c.file, Saver());
        Bytes previous(3333, 0x5A);
        if (c.earlier)
            scratch::Write(Installed(), previous);

        InstallerProcess installer(exe);
        e2e::BoxSeen confirm = installer.WaitForBox();
        EXPECT_EQ(std::wstring(L"「") + c.shown +
                      L"」スクリーンセーバーのインストールを開始します。\r\n\r\nよろしいですか?",
                  confirm.text);
        InstallerProcess::Press(confirm, IDNO);

        EXPECT_EQ(nullptr, installer.WaitForBox(3000).box);  // no further box
        EXPECT_EQ(0u, e2e::ExitCode(installer));
        EXPECT_EQ(c.earlier ? previous : Bytes(), scratch::Read(Installed()));
        EXPECT_EQ("none | none | off", e2e::ReadRegistration());
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
        EXPECT_EQ(0, e2e::TimesListed(c.file));  // nothing to remove
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
        Bytes saver = Saver(), previous(1234, 0x3C);
        InstallerProcess installer(MakeInstaller("e2e_escape.scr", saver));
        scratch::Write(Installed(), previous);
        HWND window = installer.WaitForProgressWindow();
        InstallerProcess::Press(installer.WaitForBox(), IDYES);
        // Posted input comes before the next tick, so this lands early in the run.
        PostMessageW(window, c.message, c.key, c.flags);

        e2e::BoxSeen question = installer.WaitForBox();
        EXPECT_EQ(L"質問", question.caption);
        EXPECT_EQ(kAbortText, question.text);
        InstallerProcess::Press(question, c.abort ? IDYES : IDNO);

        if (c.abort) {
            EXPECT_EQ(nullptr, installer.WaitForBox(3000).box);
            EXPECT_EQ(0u, e2e::ExitCode(installer));
            EXPECT_EQ(previous, scratch::Read(Installed()));
            EXPECT_EQ("none | none | off", e2e::ReadRegistration());
            EXPECT_EQ(0, e2e::TimesListed(file_));
        } else {
            ExpectReportThenInstalled(installer, saver, L"情報",
                                      L"e2e_escape\r\nをスクリーンセーバーとして設定しました。");
            EXPECT_EQ(e2e::RegisteredAs(file_), e2e::ReadRegistration());
        }
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
    }
}

// Other keys change nothing: straight to the report, no question. Without a splash picture
// the install goes on as usual.
TEST_F(Sequence, OtherKeysAndNoSplashChangeNothing) {
    Bytes saver = fixtures::SaverImage(2048, {});
    InstallerProcess installer(MakeInstaller("e2e_keys.scr", saver));
    HWND window = installer.WaitForProgressWindow();
    InstallerProcess::Press(installer.WaitForBox(), IDYES);
    for (WPARAM key : {WPARAM{'A'}, WPARAM{VK_RETURN}, WPARAM{VK_SPACE}, WPARAM{VK_F4}})
        PostMessageW(window, WM_KEYDOWN, key, 0x00010001);
    ExpectReportThenInstalled(installer, saver, L"情報",
                              L"e2e_keys\r\nをスクリーンセーバーとして設定しました。");
    EXPECT_EQ(e2e::RegisteredAs(file_), e2e::ReadRegistration());
}

// A registration that fails is said as such, and the file stays. The Desktop key refuses
// writes for the run (taking it away does not do: switching the screen saver on recreates it).
TEST_F(Sequence, FailedRegistrationIsReportedAndTheFileStays) {
    HKEY key;
    ASSERT_FALSE(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0,
                               READ_CONTROL | WRITE_DAC, &key));
    DWORD size = 4096;
    std::vector<BYTE> saved(size);
    ASSERT_FALSE(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved.data(), &size));
    // Everyone: values and subkeys refused; reading and this very change of security allowed.
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(D;;0x6;;;WD)(A;;0x60019;;;WD)", SDDL_REVISION_1, &readOnly, nullptr));
    ASSERT_FALSE(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly));
    LocalFree(readOnly);

    Bytes saver = Saver();
    InstallerProcess installer(MakeInstaller("e2e_unregistered.scr", saver));
    InstallerProcess::Press(installer.WaitForBox(), IDYES);
    ExpectReportThenInstalled(
        installer, saver, L"エラー",
        L"e2e_unregistered\r\nをスクリーンセーバーとして設定できませんでした。");
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, saved.data());
    RegCloseKey(key);
}

// Run as another account than the one at the desktop, the installer sets nobody's screen saver
// and says so; the file stays.
TEST_F(Sequence, AnotherAccountThanTheDesktopsRegistersNothing) {
    std::string stub = scratch::SetupExePath();
    stub.replace(stub.rfind('\\') + 1, std::string::npos, "setup-foreign-desktop.exe");
    Bytes saver = Saver();
    file_ = "e2e_foreign.scr";
    InstallerProcess installer(e2e::WriteInstaller(folder_, file_, saver, scratch::Read(stub)));
    InstallerProcess::Press(installer.WaitForBox(), IDYES);
    ExpectReportThenInstalled(installer, saver, L"エラー",
                              L"e2e_foreign\r\nをスクリーンセーバーとして設定できませんでした。");
    EXPECT_EQ("none | none | off", e2e::ReadRegistration());
}

}  // namespace
