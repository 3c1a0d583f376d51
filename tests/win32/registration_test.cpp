#include <gtest/gtest.h>

#include "installer/registration.h"
#include "tests/fixtures/scratch.h"

namespace {

DWORD SubkeyCount(HKEY parent, const char* name) {
    HKEY key;
    DWORD count = 0;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return count;
}

// The current user's keys are redirected to a scratch key in which "Control Panel" or its
// "Desktop" is missing: nothing may be created there, the failure is reported, and system.ini
// and the active flag still get the short path (a long name shows which of the two is written).
TEST(Registration, MissingKeysAreNeverCreated) {
    scratch::Folder folder("registration");
    std::string longPath = folder / "Long Screen Saver Name.scr";
    scratch::Write(longPath, {1});
    char shortPath[MAX_PATH] = {}, boot[MAX_PATH] = {};
    GetShortPathNameA(longPath.c_str(), shortPath, MAX_PATH);
    ASSERT_STRNE(longPath.c_str(), shortPath);
    for (bool withControlPanel : {false, true}) {
        SCOPED_TRACE(withControlPanel ? "Desktop missing" : "Control Panel missing");
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "before", "system.ini");
        HKEY user, panel;
        ASSERT_FALSE(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\SetupTestUser", &user));
        if (withControlPanel && !RegCreateKeyA(user, "Control Panel", &panel))
            RegCloseKey(panel);
        ASSERT_FALSE(RegOverridePredefKey(HKEY_CURRENT_USER, user));
        EXPECT_FALSE(SetScreenSaver(longPath.c_str()));
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        EXPECT_EQ(withControlPanel ? 1u : 0u, SubkeyCount(user, ""));
        EXPECT_EQ(0u, SubkeyCount(user, "Control Panel"));
        RegCloseKey(user);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SetupTestUser\\Control Panel");
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SetupTestUser");
        GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", boot, MAX_PATH, "system.ini");
        EXPECT_STREQ(shortPath, boot);
        BOOL active = FALSE;
        SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
        EXPECT_TRUE(active);
    }
}

}  // namespace
