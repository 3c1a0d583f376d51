#include <gtest/gtest.h>

#include <string>

#include "installer/installer_state.h"
#include "installer/window.h"
#include "tests/fixtures/scratch.h"
#include "tests/win32/answer_boxes.h"

namespace {

// The window procedure in this process, so that an Escape can be queued before the first tick
// can come (posted input goes before timer messages) and a log-off can come mid-run.
TEST(ProgressWindow, EscapeBeforeTheFirstTickAsksFirstConfirmingStepsAtOnceLogOffUndoes) {
    HMODULE texts =
        LoadLibraryExA(scratch::SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, texts);
    scratch::Folder folder("window");
    std::string target = folder / "early.scr", kept = folder / "kept.tmp";
    WNDCLASSA windowClass = {
        0,       InstallerWndProc, 0,       0,       GetModuleHandleA(nullptr),
        nullptr, nullptr,          nullptr, nullptr, "ProgressWindowUnderTest"};
    RegisterClassA(&windowClass);
    auto start = [&](const std::string& previousCopy) {
        scratch::Write(target, {1, 2, 3});
        g_installer = InstallerState();
        g_installer.InstanceHandle = texts;
        lstrcpyW(g_installer.TargetPath, scratch::WidePath(target).c_str());
        lstrcpyW(g_installer.PreviousFileCopy, scratch::WidePath(previousCopy).c_str());
        lstrcpyA(g_installer.SaverDisplayName, "early");
        return CreateWindowExA(0, windowClass.lpszClassName, "Setup", WS_POPUP, 0, 0, 320, 200,
                               nullptr, nullptr, windowClass.hInstance, nullptr);
    };
    HWND window = start("");
    ASSERT_NE(nullptr, window);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    std::vector<e2e::BoxSeen> seen;
    std::thread answerer = AnswerBoxes({IDNO, IDNO}, &seen);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    answerer.join();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(L"インストールを中断してよろしいですか?", seen[0].text);
    EXPECT_EQ(L"「early」スクリーンセーバーのインストールを開始します。\r\n\r\nよろしいですか?",
              seen[1].text);
    EXPECT_FALSE(scratch::Exists(target));  // declined at the confirmation

    // Confirmed, the first step is taken in the same tick; a log-off then undoes the install
    // without a question, and the earlier file kept aside comes back.
    scratch::Write(kept, {4, 5});
    window = start(kept);
    answerer = AnswerBoxes({IDYES}, &seen);
    InstallerWndProc(window, WM_TIMER, 1, 0);
    answerer.join();
    EXPECT_EQ(1, g_installer.ProgressPercent);
    InstallerWndProc(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(scratch::Bytes({4, 5}), scratch::Read(target));
    EXPECT_FALSE(scratch::Exists(kept));
    DestroyWindow(window);
    PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // posted by its WM_DESTROY
    FreeLibrary(texts);
    g_installer = InstallerState();
}

}  // namespace
