#include <gtest/gtest.h>

#include "support/path.h"
#include "tests/fixtures/scratch.h"

namespace {

TEST(PathExists, FindsFilesFoldersPatternsAndDrives) {
    scratch::Folder folder("exists");
    scratch::Write(folder / "saver.scr", {1});
    CreateDirectoryA((folder / "\x88\xEA\x8E\x9E").c_str(), nullptr);  // 一時: trail bytes
    // A name of 259 bytes in all; longer ones are never cut to fit, whatever they start with,
    // nor taken whole, though 120 double-byte characters (т) are few enough for the system.
    std::string longest = folder / std::string(kPathBufferSize - 2 - folder.path().size(), 'n');
    std::string tooLong = folder / std::string(240, '\x84');
    scratch::Write(longest, {1});
    scratch::Write(tooLong, {1});
    struct Case {
        std::string path;
        int exists;
    } cases[] = {
        {"A:\\", 1},  // no drive there, but only an unknown drive type counts as none
        {folder.path() + "\\", 1},
        {folder / "sav?r.*", 1},
        {folder / "missing\\saver.scr", 0},
        {folder / "\x88\xEA\x8E\x9E\\", 1},
        {longest, 1},
        {longest + "-missing", 0},
        {tooLong, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.exists, PathExists(c.path.c_str())) << c.path;
}

// Never a name that was cut to fit, nor the buffer's earlier contents.
TEST(TempFolder, IsEmptyWhenItDoesNotFitAndMadeWhenMissing) {
    scratch::Folder folder("temp");
    char saved[MAX_PATH] = {}, buffer[kPathBufferSize] = "stale";
    GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    for (std::string tmp : {folder / std::string(kPathBufferSize, 't'), folder / "not-yet\\"}) {
        SetEnvironmentVariableA("TMP", tmp.c_str());
        GetTempFolder(buffer);
        EXPECT_EQ(tmp.size() < kPathBufferSize ? tmp : "", buffer);
    }
    SetEnvironmentVariableA("TMP", saved[0] ? saved : nullptr);
    EXPECT_TRUE(scratch::Exists(folder / "not-yet\\"));  // with its backslash, only as a folder
}

}  // namespace
