#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "installer/installer_state.h"
#include "installer/messages.h"
#include "tests/fixtures/scratch.h"
#include "tools/installer_driver.h"

namespace {

// The texts come from the built setup.exe, loaded as data, as the installer loads its own.
class Texts : public testing::Test {
protected:
    void SetUp() override {
        module_ =
            LoadLibraryExA(scratch::SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module_) << scratch::SetupExePath();
        g_installer.InstanceHandle = module_;
    }
    void TearDown() override {
        g_installer.InstanceHandle = nullptr;
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

std::string Cp932(const wchar_t* text) {
    char bytes[1024];
    int length = WideCharToMultiByte(932, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    return std::string(bytes, length - 1);
}

TEST_F(Texts, LoadAsTheExactShiftJisBytes) {
    struct Case {
        UINT id;
        const wchar_t* text;
        size_t bytes;
    } cases[] = {
        {IDS_CONFIRMINSTALL,
         L"「%s」スクリーンセーバーのインストールを開始します。\r\n\r\nよろしいですか?", 71},
        {IDS_INSTALLDONE, L"%s\r\nをスクリーンセーバーとして設定しました。", 44},
        {IDS_CONFIRMABORT, L"インストールを中断してよろしいですか?", 37},
        {IDS_LOWCOLOR,
         L"このプログラムは256色以下のディスプレイモードでは動作しません。\r\n"
         L"ハイカラーかフルカラーで実行してください。",
         107},
        {IDS_SETFAILED, L"%s\r\nをスクリーンセーバーとして設定できませんでした。", 52},
    };
    for (const auto& c : cases) {
        char buffer[kTextBufferSize];
        std::string loaded = LoadTextById(c.id, buffer);
        EXPECT_EQ(c.bytes, loaded.size()) << c.id;
        EXPECT_EQ(Cp932(c.text), loaded) << c.id;
    }
}

// Waits on another thread for the box this thread is about to show, reads it and presses
// `button` as a user would.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int button)
        : thread_([this, button] {
              seen_ = e2e::WaitForProcessBox(GetCurrentProcessId(), nullptr, 5000);
              if (seen_.box)
                  e2e::InstallerProcess::Press(seen_, button);
          }) {}
    ~BoxAnswerer() {
        if (thread_.joinable())
            thread_.join();
    }
    e2e::BoxSeen Seen() {
        thread_.join();
        return seen_;
    }

private:
    e2e::BoxSeen seen_;
    std::thread thread_;
};

TEST(Boxes, QuestionsCountOnlyYes) {
    for (int button : {IDYES, IDNO}) {
        BoxAnswerer answerer(button);
        bool answer = AskYesNoText(nullptr, "x", nullptr, nullptr);
        e2e::BoxSeen seen = answerer.Seen();
        EXPECT_EQ(button == IDYES, answer);
        EXPECT_EQ(L"質問", seen.caption);
        EXPECT_EQ(L"x", seen.text);
        EXPECT_EQ(LoadIcon(nullptr, IDI_QUESTION), seen.icon);
    }
}

TEST(Boxes, JoinLeavesOutAbsentAndEmptyTexts) {
    struct Case {
        const char* text1;
        const char* text2;
        const char* text3;
        const wchar_t* shown;
    } cases[] = {
        {nullptr, "x", "", L"x"},
        {nullptr, nullptr, nullptr, L""},
        {"", "", "", L""},
        {"ab", nullptr, "cd", L"abcd"},
        {"\x8F\xEE\x95\xF1", "1", "2", L"情報12"},
    };
    for (const auto& c : cases) {
        BoxAnswerer answerer(IDOK);
        ShowInfoText(nullptr, c.text1, c.text2, c.text3);
        e2e::BoxSeen seen = answerer.Seen();
        EXPECT_EQ(L"情報", seen.caption);
        EXPECT_EQ(c.shown, seen.text);
        EXPECT_EQ(LoadIcon(nullptr, IDI_INFORMATION), seen.icon);
    }
}

TEST_F(Texts, ErrorAndQuestionBoxesShowTheirStrings) {
    {
        BoxAnswerer answerer(IDOK);
        ShowErrorById(nullptr, IDS_LOWCOLOR);
        e2e::BoxSeen seen = answerer.Seen();
        EXPECT_EQ(L"エラー", seen.caption);
        EXPECT_EQ(
            L"このプログラムは256色以下のディスプレイモードでは動作しません。\r\n"
            L"ハイカラーかフルカラーで実行してください。",
            seen.text);
    }
    {
        BoxAnswerer answerer(IDNO);
        EXPECT_FALSE(AskYesNoById(nullptr, IDS_CONFIRMABORT));
        e2e::BoxSeen seen = answerer.Seen();
        EXPECT_EQ(L"質問", seen.caption);
        EXPECT_EQ(L"インストールを中断してよろしいですか?", seen.text);
    }
    {
        BoxAnswerer answerer(IDOK);
        ShowErrorText(nullptr, "Stars", nullptr, nullptr);
        EXPECT_EQ(L"エラー", answerer.Seen().caption);
    }
}

}  // namespace
