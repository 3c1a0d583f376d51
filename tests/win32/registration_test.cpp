#include <gtest/gtest.h>

#include "installer/registration.h"
#include "tests/fixtures/scratch.h"

namespace {

std::string ShortPath(const std::string& path) {
    char shortPath[MAX_PATH] = {};
    GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return shortPath;
}

std::string BootEntry() {
    char value[MAX_PATH] = {};
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", value, MAX_PATH, "system.ini");
    return value;
}

bool ScreenSaverActive() {
    BOOL active = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    return active != FALSE;
}

DWORD SubkeyCount(HKEY key) {
    DWORD count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    return count;
}

class Registration : public testing::Test {
protected:
    void SetUp() override {
        scratch::Write(longPath_, {1, 2, 3});
        shortPath_ = ShortPath(longPath_);
        // Only a short form that differs from the long one shows which of the two is written.
        ASSERT_NE(longPath_, shortPath_);
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "before", "system.ini");
    }

    scratch::Folder folder_{"registration"};
    std::string longPath_ = folder_ / "Long Screen Saver Name.scr";
    std::string shortPath_;
};

TEST_F(Registration, RecordsTheShortPathInAllThreePlaces) {
    EXPECT_TRUE(SetScreenSaver(longPath_.c_str()));

    HKEY desktop;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &desktop));
    char value[MAX_PATH] = {};
    DWORD type = 0, size = sizeof value;
    LONG read = RegQueryValueExA(desktop, "SCRNSAVE.EXE", nullptr, &type,
                                 reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(desktop);
    ASSERT_EQ(ERROR_SUCCESS, read);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(shortPath_.size() + 1, size);
    EXPECT_EQ(shortPath_, value);
    EXPECT_EQ(shortPath_, BootEntry());
    EXPECT_TRUE(ScreenSaverActive());
}

// The current user's keys are redirected to a scratch key in which "Control Panel" or its
// "Desktop" is missing; nothing may be created there.
TEST_F(Registration, MissingKeysAreNeverCreated) {
    for (bool withControlPanel : {false, true}) {
        SCOPED_TRACE(withControlPanel ? "Desktop missing" : "Control Panel missing");
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "before", "system.ini");
        HKEY user;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SetupTestUser", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &user, nullptr));
        if (withControlPanel) {
            HKEY controlPanel;
            RegCreateKeyExA(user, "Control Panel", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &controlPanel, nullptr);
            RegCloseKey(controlPanel);
        }
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, user));

        bool stored = SetScreenSaver(longPath_.c_str());

        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        DWORD userKeys = SubkeyCount(user);
        DWORD panelKeys = 0;
        HKEY controlPanel;
        if (RegOpenKeyExA(user, "Control Panel", 0, KEY_READ, &controlPanel) == ERROR_SUCCESS) {
            panelKeys = SubkeyCount(controlPanel);
            RegCloseKey(controlPanel);
        }
        RegCloseKey(user);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SetupTestUser\\Control Panel");
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SetupTestUser");

        EXPECT_FALSE(stored);
        EXPECT_EQ(withControlPanel ? 1u : 0u, userKeys);
        EXPECT_EQ(0u, panelKeys);
        EXPECT_EQ(shortPath_, BootEntry());
        EXPECT_TRUE(ScreenSaverActive());
    }
}

}  // namespace
