#include <gtest/gtest.h>

#include "installer/package.h"
#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

namespace {

int DesktopBitsPerPixel() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}

// Run under displays of several depths (see cmake/win32.cmake): 8 bits or fewer are refused
// with the error box and nothing else; more go on to the progress window.
TEST(DisplayCheck, RefusesEightBitsOrFewerWithTheErrorBoxOnly) {
    scratch::Folder folder("display");
    std::string name = "e2e_display.scr";
    std::string exe =
        e2e::WriteInstaller(folder, name, fixtures::SaverImage(2000, fixtures::SplashDib(8, 8)));
    bool lowColour = DesktopBitsPerPixel() <= 8;

    e2e::InstallerProcess installer(exe);
    DWORD exitCode = 1;
    if (lowColour) {
        e2e::BoxSeen box = installer.WaitForBox();
        ASSERT_NE(nullptr, box.box);
        EXPECT_EQ(L"エラー", box.caption);
        EXPECT_EQ(
            L"このプログラムは256色以下のディスプレイモードでは動作しません。\r\n"
            L"ハイカラーかフルカラーで実行してください。",
            box.text);
        EXPECT_EQ(nullptr, GetWindow(box.box, GW_OWNER));
        e2e::InstallerProcess::Press(box, IDOK);
        ASSERT_TRUE(installer.WaitForExit(10000, &exitCode));
        EXPECT_FALSE(scratch::Exists(e2e::RealSystemFolder() + "\\" + name));
    } else {
        ASSERT_NE(nullptr, installer.WaitForProgressWindow());
        EXPECT_TRUE(scratch::Exists(e2e::RealSystemFolder() + "\\" + name));
        e2e::BoxSeen confirm = installer.WaitForBox();
        EXPECT_EQ(L"質問", confirm.caption);
        e2e::InstallerProcess::Press(confirm, IDNO);
        ASSERT_TRUE(installer.WaitForExit(10000, &exitCode));
    }
    EXPECT_EQ(0u, exitCode);
    e2e::RemoveFromSystemFolder(name);
}

}  // namespace
