#include <gtest/gtest.h>

#include <vector>

#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

namespace {

// Makes HKEY_CURRENT_USER\Control Panel\Desktop refuse writes for the life of the object, and
// puts its own security back at the end whatever the test did. (Taking the key away does not
// do: switching the screen saver on recreates it before the installer opens it.)
class DesktopKeyReadOnly {
public:
    DesktopKeyReadOnly() {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, READ_CONTROL | WRITE_DAC,
                          &key_))
            return;
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.resize(size);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size))
            return;
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
        BYTE aclBytes[256];
        ACL* acl = reinterpret_cast<ACL*>(aclBytes);
        InitializeAcl(acl, sizeof aclBytes, ACL_REVISION);
        AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, everyone);
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | READ_CONTROL | WRITE_DAC, everyone);
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        locked_ = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        FreeSid(everyone);
    }
    ~DesktopKeyReadOnly() {
        if (locked_)
            RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
        if (key_)
            RegCloseKey(key_);
    }
    bool locked() const { return locked_; }

private:
    HKEY key_ = nullptr;
    std::vector<BYTE> saved_;
    bool locked_ = false;
};

bool DesktopKeyWritable() {
    HKEY desktop;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, &desktop))
        return false;
    RegCloseKey(desktop);
    return true;
}

TEST(RegistrationFailure, IsReportedAsAnErrorAndTheFileStays) {
    scratch::Folder folder("unregistered");
    std::string name = "e2e_unregistered";
    scratch::Bytes saver = fixtures::SaverImage(3000, fixtures::SplashDib(16, 16));
    std::string exe = e2e::WriteInstaller(folder, name + ".scr", saver);
    {
        DesktopKeyReadOnly readOnly;
        ASSERT_TRUE(readOnly.locked());
        ASSERT_FALSE(DesktopKeyWritable());

        e2e::InstallerProcess installer(exe);
        e2e::InstallerProcess::Press(installer.WaitForBox(), IDYES);
        e2e::BoxSeen report = installer.WaitForBox();
        EXPECT_EQ(L"エラー", report.caption);
        EXPECT_EQ(L"e2e_unregistered\r\nをスクリーンセーバーとして設定できませんでした。",
                  report.text);
        e2e::InstallerProcess::Press(report, IDOK);
        DWORD exitCode = 1;
        ASSERT_TRUE(installer.WaitForExit(10000, &exitCode));
        EXPECT_EQ(0u, exitCode);
    }
    EXPECT_TRUE(DesktopKeyWritable());
    EXPECT_EQ(saver, scratch::Read(e2e::RealSystemFolder() + "\\" + name + ".scr"));
    e2e::RemoveFromSystemFolder(name + ".scr");
}

}  // namespace
