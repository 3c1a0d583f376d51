#include <gtest/gtest.h>

#include "support/path.h"
#include "tests/fixtures/scratch.h"

namespace {

TEST(PathExists, FindsFilesFoldersPatternsAndDrives) {
    scratch::Folder folder("exists");
    scratch::Write(folder / "saver.scr", {1, 2, 3});
    // 字 and 一時: trail bytes 0x9A and 0x9E have lead-byte values.
    CreateDirectoryA((folder / "\x8E\x9A").c_str(), nullptr);
    CreateDirectoryA((folder / "\x88\xEA\x8E\x9E").c_str(), nullptr);
    // A name of 259 bytes in all; longer ones are never cut to fit, whatever they start with.
    std::string longest = folder / std::string(kPathBufferSize - 2 - folder.path().size(), 'n');
    scratch::Write(longest, {1});
    char noRoot[] = "A:\\";  // a letter with no drive: only an unknown type means none
    while (GetLogicalDrives() & (1u << (noRoot[0] - 'A')))
        ++noRoot[0];
    struct Case {
        std::string path;
        int exists;
    } cases[] = {
        {"C:\\", 1},
        {noRoot, 1},
        {folder.path() + "\\", 1},
        {folder / "sav?r.*", 1},
        {folder / "missing.*", 0},
        {folder / "missing\\saver.scr", 0},
        {folder / "\x8E\x9A\\", 1},
        {folder / "\x88\xEA\x8E\x9E\\", 1},
        {longest, 1},
        {longest + "-missing", 0},
        {longest + std::string(3 * kPathBufferSize, 'x'), 0},
    };
    UINT errorMode = SetErrorMode(0);
    SetErrorMode(errorMode);
    for (const auto& c : cases)
        EXPECT_EQ(c.exists, PathExists(c.path.c_str())) << c.path;
    EXPECT_EQ(errorMode, SetErrorMode(errorMode));  // put back after each search
}

TEST(TempFolder, IsCreatedWhenMissingAndEmptyWhenItDoesNotFit) {
    scratch::Folder folder("temp");
    std::string missing = folder / "not-yet\\";
    char saved[MAX_PATH] = {}, buffer[kPathBufferSize] = "stale";
    GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    SetEnvironmentVariableA("TMP", (folder / std::string(kPathBufferSize, 't')).c_str());
    GetTempFolder(buffer);
    EXPECT_STREQ("", buffer);
    SetEnvironmentVariableA("TMP", missing.c_str());
    GetTempFolder(buffer);
    SetEnvironmentVariableA("TMP", saved[0] ? saved : nullptr);
    EXPECT_STREQ(missing.c_str(), buffer);
    EXPECT_TRUE(scratch::Exists(missing));  // with its backslash, only as a folder
}

}  // namespace
