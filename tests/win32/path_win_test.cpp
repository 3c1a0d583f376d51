#include <gtest/gtest.h>

#include "support/path.h"
#include "tests/fixtures/scratch.h"

namespace {

TEST(LeadBytes, FollowTheJapaneseCodePage) {
    // Everything narrow in the program is code page 932; the test run must provide it.
    ASSERT_EQ(932u, GetACP());
    for (int byte : {0x81, 0x9F, 0xE0, 0xFC})
        EXPECT_TRUE(IsLeadByte(byte)) << byte;
    for (int byte : {0x5C, 0x80, 0xA0, 0xDF, 0xFD})
        EXPECT_FALSE(IsLeadByte(byte)) << byte;
}

TEST(LeadBytes, KeepATrailBackslashInsideItsCharacter) {
    char path[kPathBufferSize] = "C:\\\x95\x5C";  // 表 ends in 0x5C
    AppendPathPart(path, "x.scr");
    EXPECT_STREQ("C:\\\x95\x5C\\x.scr", path);
    EXPECT_STREQ("x.scr", GetFileNamePart(path));
}

TEST(PathExists, FindsFilesFoldersPatternsAndDrives) {
    scratch::Folder folder("exists");
    scratch::Write(folder / "saver.scr", {1, 2, 3});
    CreateDirectoryA((folder / "sub").c_str(), nullptr);
    // 字 and 一時: trail bytes 0x9A and 0x9E have lead-byte values.
    CreateDirectoryA((folder / "\x8E\x9A").c_str(), nullptr);
    CreateDirectoryA((folder / "\x88\xEA\x8E\x9E").c_str(), nullptr);
    // A name of 259 bytes in all, and one longer whose first 259 bytes are that name.
    std::string longest = folder / std::string(kPathBufferSize - 2 - folder.path().size(), 'n');
    scratch::Write(longest, {1});
    ASSERT_TRUE(scratch::Exists(longest));
    struct Case {
        std::string path;
        int exists;
    } cases[] = {
        {"C:\\", 1},
        {folder.path(), 1},
        {folder.path() + "\\", 1},
        {folder / "sub\\", 1},
        {folder / "saver.scr", 1},
        {folder / "saver.*", 1},
        {folder / "sav?r.scr", 1},
        {folder / "missing.scr", 0},
        {folder / "missing.*", 0},
        {folder / "missing\\saver.scr", 0},
        {folder / "\x8E\x9A\\", 1},
        {folder / "\x88\xEA\x8E\x9E\\", 1},
        {longest, 1},
        {longest + "-missing", 0},
    };
    for (const auto& c : cases) {
        UINT before = SetErrorMode(0);
        SetErrorMode(before);
        EXPECT_EQ(c.exists, PathExists(c.path.c_str())) << c.path;
        UINT after = SetErrorMode(before);
        EXPECT_EQ(before, after) << "error mode changed by " << c.path;
    }
}

TEST(TempFolder, IsCreatedWhenMissingAndEmptyWhenItDoesNotFit) {
    scratch::Folder folder("temp");
    std::string missing = folder / "not-yet\\";
    char saved[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    char buffer[kPathBufferSize] = "stale";
    SetEnvironmentVariableA("TMP", (folder / std::string(kPathBufferSize, 't')).c_str());
    GetTempFolder(buffer);
    EXPECT_STREQ("", buffer);
    SetEnvironmentVariableA("TMP", missing.c_str());
    GetTempFolder(buffer);
    SetEnvironmentVariableA("TMP", saved[0] ? saved : nullptr);
    EXPECT_STREQ(missing.c_str(), buffer);
    DWORD attributes = GetFileAttributesA(missing.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
