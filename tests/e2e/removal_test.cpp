// Apps & features lists an installed screen saver once, and its command takes the file away and
// gives the user back the screen saver set before, where ours is still the one set.
#include <gtest/gtest.h>

#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

namespace {

using e2e::InstallerProcess;
using scratch::Bytes;

// The user's setting as the screen saver dialog leaves it; none where `value` is empty.
void SetRegistration(const std::string& value) {
    HKEY desktop;
    scratch::MakeDesktopKeyWritable();
    RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, &desktop);
    if (value.empty())
        RegDeleteValueA(desktop, "SCRNSAVE.EXE");
    else
        RegSetValueExA(desktop, "SCRNSAVE.EXE", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(desktop);
    WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", value.empty() ? nullptr : value.c_str(),
                               "system.ini");
}

std::string ShortPath(const std::string& path) {
    wchar_t shortPath[MAX_PATH] = {};
    GetShortPathNameW(scratch::WidePath(path).c_str(), shortPath, MAX_PATH);
    return e2e::Utf8(shortPath);
}

// The entry's command, answered; the box that follows, if any.
e2e::BoxSeen RunEntryCommand(const std::string& name, int answer) {
    e2e::RemovalRun run = e2e::RunEntryCommand(name, answer);
    EXPECT_EQ(L"質問", run.question.caption);
    EXPECT_EQ(L"「e2e removal」スクリーンセーバーを削除します。\r\n\r\nよろしいですか?",
              run.question.text);
    EXPECT_EQ(0u, run.exitCode);
    return run.said;
}

TEST(Removal, TheEntryTakesTheFileAwayAndPutsBackTheScreenSaverBefore) {
    enum Earlier { kNone, kThere, kGoneSince, kAnotherChosenSince, kFileReplaced };
    struct Case {
        const char* what;
        Earlier earlier;
    } cases[] = {
        {"the earlier one comes back", kThere},
        {"none where there was none", kNone},
        {"none where the earlier one went since", kGoneSince},
        {"one chosen since stays", kAnotherChosenSince},
        {"a file put there since is kept, with a box", kFileReplaced},
    };
    const std::string name = "e2e removal.scr", earlierName = "e2e earlier.scr";
    const std::string earlierFile = e2e::Installed(earlierName);
    const std::string chosenFile = e2e::Installed("e2e chosen.scr");
    scratch::Folder folder("removal");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes saver = fixtures::SaverImage(3000, {}), foreign(1234, 0x5A);
        std::string setup = e2e::WriteInstaller(folder, name, saver);
        scratch::Write(earlierFile, Bytes(2000, 0x33));
        scratch::Write(chosenFile, Bytes(2000, 0x44));
        SetRegistration(c.earlier == kNone ? "" : ShortPath(earlierFile));
        // Installed twice, the way an author tries a new build: still one entry, and the
        // screen saver before is still the one before the first.
        for (int install = c.earlier == kThere ? 2 : 1; install > 0; --install)
            ASSERT_EQ(L"情報", e2e::RunToCompletion(setup).reportCaption);
        EXPECT_EQ(1, e2e::TimesListed(name));
        EXPECT_EQ(e2e::EntryName(name), e2e::EntryValue(name, L"DisplayName"));
        EXPECT_EQ(L"1", e2e::EntryValue(name, L"NoModify"));
        EXPECT_EQ(L"1", e2e::EntryValue(name, L"NoRepair"));
        EXPECT_LE(std::stoul(e2e::EntryValue(name, L"EstimatedSize")), 40u);
        std::wstring copy = e2e::EntryValue(name, L"DisplayIcon");
        EXPECT_EQ(1u, ExtractIconExW(copy.c_str(), -1, nullptr, nullptr, 0));

        EXPECT_EQ(e2e::RegisteredAs(name), e2e::ReadRegistration());
        std::string another = ShortPath(chosenFile);
        if (c.earlier == kGoneSince)
            DeleteFileA(earlierFile.c_str());
        if (c.earlier == kAnotherChosenSince)
            SetRegistration(another);
        if (c.earlier == kFileReplaced)
            scratch::Write(e2e::Installed(name), foreign);
        std::string before = e2e::ReadRegistration();

        // Started as a program of its own, without the argument, the copy does nothing.
        if (c.earlier == kThere) {
            InstallerProcess plain(e2e::Utf8(copy.c_str()));
            EXPECT_EQ(nullptr, plain.WaitForBox(2000).box);
            EXPECT_EQ(0u, e2e::ExitCode(plain));
            EXPECT_EQ(saver, scratch::Read(e2e::Installed(name)));
        }
        // No keeps everything as it is.
        EXPECT_EQ(nullptr, RunEntryCommand(name, IDNO).box);
        EXPECT_EQ(1, e2e::TimesListed(name));
        EXPECT_TRUE(scratch::Exists(e2e::Installed(name)));

        std::wstring parkedBefore = e2e::LastDeletionAtStart();
        e2e::BoxSeen said = RunEntryCommand(name, IDYES);
        EXPECT_EQ(0, e2e::TimesListed(name));
        EXPECT_EQ(L"(absent)", e2e::EntryValue(name, L"DisplayName"));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(copy.c_str()));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
                  GetFileAttributesW(copy.substr(0, copy.find_last_of(L'\\')).c_str()));
        // A running program cannot delete itself: its file goes at the system's next start.
        std::wstring parked = e2e::LastDeletionAtStart();
        EXPECT_NE(parkedBefore, parked);
        EXPECT_EQ(scratch::Read(scratch::SetupExePath()).size() / 8,
                  scratch::Read(e2e::Utf8(parked.c_str())).size() / 8)
            << e2e::Utf8(parked.c_str());
        if (c.earlier == kFileReplaced) {
            EXPECT_EQ(L"エラー", said.caption);
            EXPECT_EQ(
                L"e2e removal\r\nは別のファイルに置き換えられているため、削除しませんでした。",
                said.text);
            EXPECT_EQ(foreign, scratch::Read(e2e::Installed(name)));
            EXPECT_EQ(before, e2e::ReadRegistration());
        } else {
            EXPECT_EQ(L"情報", said.caption);
            EXPECT_EQ(L"e2e removal\r\nを削除しました。", said.text);
            EXPECT_FALSE(scratch::Exists(e2e::Installed(name)));
            std::string earlier = ShortPath(earlierFile), expected = "(none) |  | on";
            if (c.earlier == kThere)
                expected = earlier + " | " + earlier + " | on";
            if (c.earlier == kAnotherChosenSince)
                expected = another + " | " + another + " | on";
            EXPECT_EQ(expected, e2e::ReadRegistration());
        }
        e2e::RemoveFromSystemFolder(name);
        DeleteFileA(earlierFile.c_str());
        DeleteFileA(chosenFile.c_str());
    }
}

}  // namespace
