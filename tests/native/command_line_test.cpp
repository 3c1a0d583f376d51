#include <gtest/gtest.h>

#include "installer/command_line.h"

// Only the copy's own command removes anything: the word inside a program's name, or with more
// after it, is no removal.
TEST(CommandLine, RemovesOnlyForTheOneArgument) {
    const std::pair<const wchar_t*, int> cases[] = {
        {L"\"C:\\Program Files\\星空 スクリーンセーバー\\uninstall.exe\" /uninstall", 1},
        {L"\"C:\\P\\uninstall.exe\"  /UnInstall \t", 1},
        {L"C:\\P\\uninstall.exe /uninstall", 1},
        {L"\"C:\\x /uninstall\"", 0},
        {L"\"C:\\x /uninstall", 0},
        {L"setup.exe", 0},
        {L"setup.exe /uninstall now", 0},
        {L"setup.exe /uninstaller", 0},
        {L"setup.exe /uninstal", 0},
        {L"setup.exe uninstall", 0},
        {L"", 0},
    };
    for (const auto& [line, removes] : cases)
        EXPECT_EQ(removes, IsRemovalCommand(line)) << testing::PrintToString(std::wstring(line));
}
