#include <gtest/gtest.h>

#include "installer/registration.h"
#include "tests/fixtures/scratch.h"

namespace {

// The current user's keys are redirected to a scratch key in which "Control Panel" or its
// "Desktop" is missing: it is never created, the failure is reported, and system.ini still
// gets the short path (a long name shows which of the two is written).
TEST(Registration, MissingKeysAreNeverCreated) {
    scratch::Folder folder("registration");
    std::string longPath = folder / "Long Screen Saver Name.scr";
    scratch::Write(longPath, {1});
    char shortPath[MAX_PATH] = {}, boot[MAX_PATH] = {};
    GetShortPathNameA(longPath.c_str(), shortPath, MAX_PATH);
    ASSERT_STRNE(longPath.c_str(), shortPath);
    for (const char* missing : {"Control Panel", "Control Panel\\Desktop"}) {
        SCOPED_TRACE(missing);
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "before", "system.ini");
        HKEY user, key;
        ASSERT_FALSE(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\SetupTestUser", &user));
        if (lstrcmpA(missing, "Control Panel") && !RegCreateKeyA(user, "Control Panel", &key))
            RegCloseKey(key);
        ASSERT_FALSE(RegOverridePredefKey(HKEY_CURRENT_USER, user));
        EXPECT_FALSE(SetScreenSaver(longPath.c_str()));
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(user, missing, 0, KEY_READ, &key));
        RegCloseKey(user);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SetupTestUser\\Control Panel");
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SetupTestUser");
        GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", boot, MAX_PATH, "system.ini");
        EXPECT_STREQ(shortPath, boot);
    }
}

}  // namespace
