#include <gtest/gtest.h>

#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

namespace {

// Run under displays of several depths (cmake/win32.cmake): 8 bits or fewer are refused with
// the error box, without owner, and nothing else; more go on to the progress window.
TEST(DisplayCheck, RefusesEightBitsOrFewerWithTheErrorBoxOnly) {
    HDC screen = GetDC(nullptr);
    bool lowColour = GetDeviceCaps(screen, BITSPIXEL) <= 8;
    ReleaseDC(nullptr, screen);
    scratch::Folder folder("display");
    std::string name = "e2e_display.scr";
    e2e::InstallerProcess installer(
        e2e::WriteInstaller(folder, name, fixtures::SaverImage(2000, fixtures::SplashDib(8, 8))));
    e2e::BoxSeen box = installer.WaitForBox();
    ASSERT_NE(nullptr, box.box);
    EXPECT_EQ(lowColour ? L"エラー" : L"質問", box.caption);
    EXPECT_EQ(lowColour, nullptr == GetWindow(box.box, GW_OWNER));
    EXPECT_EQ(!lowColour, scratch::Exists(e2e::Installed(name)));
    if (lowColour) {
        EXPECT_EQ(
            L"このプログラムは256色以下のディスプレイモードでは動作しません。\r\n"
            L"ハイカラーかフルカラーで実行してください。",
            box.text);
    }
    e2e::InstallerProcess::Press(box, lowColour ? IDOK : IDNO);
    EXPECT_EQ(0u, e2e::ExitCode(installer));
    e2e::RemoveFromSystemFolder(name);
}

}  // namespace
