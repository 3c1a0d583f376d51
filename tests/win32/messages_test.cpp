#include <gtest/gtest.h>

#include "installer/installer_state.h"
#include "installer/messages.h"
#include "tests/fixtures/scratch.h"
#include "tests/win32/answer_boxes.h"

namespace {

// The texts come from the built setup.exe, loaded as data, as the installer loads its own.
TEST(Texts, LoadAsTheExactShiftJisBytes) {
    g_installer.InstanceHandle =
        LoadLibraryExA(scratch::SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, g_installer.InstanceHandle);
    struct Case {
        UINT id;
        const wchar_t* text;
    } cases[] = {
        {IDS_CONFIRMINSTALL,
         L"「%s」スクリーンセーバーのインストールを開始します。\r\n\r\nよろしいですか?"},
        {IDS_INSTALLDONE, L"%s\r\nをスクリーンセーバーとして設定しました。"},
        {IDS_CONFIRMABORT, L"インストールを中断してよろしいですか?"},
        {IDS_LOWCOLOR,
         L"このプログラムは256色以下のディスプレイモードでは動作しません。\r\n"
         L"ハイカラーかフルカラーで実行してください。"},
        {IDS_SETFAILED, L"%s\r\nをスクリーンセーバーとして設定できませんでした。"},
    };
    for (const auto& c : cases) {
        char expected[kTextBufferSize], loaded[kTextBufferSize];
        WideCharToMultiByte(932, 0, c.text, -1, expected, sizeof expected, nullptr, nullptr);
        EXPECT_STREQ(expected, LoadTextById(c.id, loaded)) << c.id;
    }
    FreeLibrary(g_installer.InstanceHandle);
    g_installer.InstanceHandle = nullptr;
}

// Each box has its caption and icon; the joined text leaves out absent and empty parts.
TEST(Boxes, ShowCaptionIconAndJoinedText) {
    std::vector<e2e::BoxSeen> seen;
    std::thread answerer = AnswerBoxes({IDYES, IDOK, IDOK}, &seen);
    AskYesNoText(nullptr, "x", nullptr, "");
    ShowInfoText(nullptr, "\x8F\xEE\x95\xF1", nullptr, "2");  // 情報
    ShowErrorText(nullptr, "", "a", "bc");
    answerer.join();
    struct Case {
        const wchar_t *caption, *text;
        LPCSTR icon;
    } cases[] = {{L"質問", L"x", IDI_QUESTION},
                 {L"情報", L"情報2", IDI_INFORMATION},
                 {L"エラー", L"abc", IDI_ERROR}};
    ASSERT_EQ(3u, seen.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cases[i].caption, seen[i].caption);
        EXPECT_EQ(cases[i].text, seen[i].text);
        EXPECT_EQ(LoadIcon(nullptr, cases[i].icon), seen[i].icon) << i;
    }
}

}  // namespace
