#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "installer/installer_state.h"
#include "installer/window.h"
#include "tests/fixtures/scratch.h"
#include "tools/installer_driver.h"

namespace {

// Answers the boxes this process shows, in turn, with the given buttons; keeps their texts.
std::vector<std::wstring> AnswerBoxes(std::vector<int> buttons) {
    std::vector<std::wstring> texts;
    for (int button : buttons) {
        e2e::BoxSeen box = e2e::WaitForProcessBox(GetCurrentProcessId(), nullptr, 5000);
        if (!box.box)
            break;
        texts.push_back(box.text);
        e2e::InstallerProcess::Press(box, button);
    }
    return texts;
}

// The progress window's procedure in this process, so an Escape can be queued before the
// first tick can possibly come: posted input always goes before timer messages.
TEST(ProgressWindow, EscapeBeforeTheFirstTickAsksFirstConfirmingStepsAtOnceLogOffUndoes) {
    HMODULE texts =
        LoadLibraryExA(scratch::SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, texts);
    scratch::Folder folder("window");
    std::string target = folder / "early.scr";
    scratch::Write(target, {1, 2, 3});
    g_installer = InstallerState();
    g_installer.InstanceHandle = texts;
    lstrcpyA(g_installer.TargetPath, target.c_str());
    lstrcpyA(g_installer.SaverDisplayName, "early");

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = InstallerWndProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ProgressWindowUnderTest";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "ProgressWindowUnderTest", "Setup", WS_POPUP, 0, 0, 320, 200,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    EXPECT_NE(0u, g_installer.ProgressTimerId);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ShowWindow(window, SW_SHOW);

    std::vector<std::wstring> seen;
    std::thread answerer([&seen] { seen = AnswerBoxes({IDNO, IDNO}); });
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    answerer.join();

    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(L"インストールを中断してよろしいですか?", seen[0]);
    EXPECT_EQ(L"「early」スクリーンセーバーのインストールを開始します。\r\n\r\nよろしいですか?",
              seen[1]);
    EXPECT_EQ(0, g_installer.ProgressPercent);
    EXPECT_FALSE(scratch::Exists(target));  // declined at the confirmation

    // Confirmed, the first step is taken in the same tick; a log-off then undoes the install
    // without a question, and the earlier file kept aside comes back.
    g_installer = InstallerState();
    g_installer.InstanceHandle = texts;
    lstrcpyA(g_installer.TargetPath, target.c_str());
    std::string kept = folder / "kept.tmp";
    scratch::Write(kept, {4, 5});
    lstrcpyA(g_installer.PreviousFileCopy, kept.c_str());
    scratch::Write(target, {1, 2, 3});
    window = CreateWindowExA(0, "ProgressWindowUnderTest", "Setup", WS_POPUP, 0, 0, 320, 200,
                             nullptr, nullptr, windowClass.hInstance, nullptr);
    std::thread confirmer([] { AnswerBoxes({IDYES}); });
    InstallerWndProc(window, WM_TIMER, 1, 0);
    confirmer.join();
    EXPECT_EQ(1, g_installer.ProgressPercent);
    InstallerWndProc(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(0u, g_installer.ProgressTimerId);
    EXPECT_EQ(scratch::Bytes({4, 5}), scratch::Read(target));
    EXPECT_FALSE(scratch::Exists(kept));
    DestroyWindow(window);
    FreeLibrary(texts);
    g_installer = InstallerState();
}

}  // namespace
