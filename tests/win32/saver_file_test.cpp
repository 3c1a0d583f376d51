#include <gtest/gtest.h>

#include "installer/saver_file.h"
#include "installer/startup.h"
#include "tests/fixtures/scratch.h"

using scratch::Bytes;

namespace {

const Bytes kNew(6000, 0x4E);
const Bytes kOld(2500, 0x6F);

class SaverFile : public testing::Test {
protected:
    scratch::Folder folder_{"saver"};
    std::string target_ = folder_ / "stars.scr";
    char copy_[MAX_PATH] = "stale";

    int Write(const Bytes& bytes) {
        return WriteSaverFile(target_.c_str(), bytes.data(), static_cast<DWORD>(bytes.size()),
                              copy_);
    }
};

TEST_F(SaverFile, WritesANewFileWithNothingToKeep) {
    ASSERT_TRUE(Write(kNew));
    EXPECT_EQ(kNew, scratch::Read(target_));
    EXPECT_STREQ("", copy_);
}

TEST_F(SaverFile, KeepsTheEarlierFileAsideUntilTheNewOneStays) {
    scratch::Write(target_, kOld);
    ASSERT_TRUE(Write(kNew));
    EXPECT_EQ(kNew, scratch::Read(target_));
    ASSERT_STRNE("", copy_);
    EXPECT_EQ(kOld, scratch::Read(copy_));
    std::string kept = copy_;
    DiscardPreviousFile(copy_);
    EXPECT_STREQ("", copy_);
    EXPECT_FALSE(scratch::Exists(kept));
    EXPECT_EQ(std::vector<std::string>{"stars.scr"}, scratch::List(folder_.path()));
}

TEST_F(SaverFile, RemovingTheNewFileBringsTheEarlierOneBack) {
    scratch::Write(target_, kOld);
    ASSERT_TRUE(Write(kNew));
    RemoveInstalledFile(target_.c_str(), copy_);
    EXPECT_EQ(kOld, scratch::Read(target_));
    EXPECT_EQ(std::vector<std::string>{"stars.scr"}, scratch::List(folder_.path()));
}

TEST_F(SaverFile, RemovingWithoutAnEarlierFileLeavesNothing) {
    ASSERT_TRUE(Write(kNew));
    RemoveInstalledFile(target_.c_str(), copy_);
    EXPECT_TRUE(scratch::List(folder_.path()).empty());
}

TEST_F(SaverFile, AFailedWriteLeavesTheEarlierFileExactlyAsItWas) {
    scratch::Write(target_, kOld);
    scratch::BufferRunningIntoNoAccess source(100, 0x4E);
    ASSERT_NE(nullptr, source.start());

    EXPECT_FALSE(WriteSaverFile(target_.c_str(), source.start(), 5000, copy_));

    EXPECT_EQ(kOld, scratch::Read(target_));
    EXPECT_STREQ("", copy_);
    EXPECT_EQ(std::vector<std::string>{"stars.scr"}, scratch::List(folder_.path()));
}

TEST_F(SaverFile, AFailedWriteWithoutAnEarlierFileLeavesNoFile) {
    scratch::BufferRunningIntoNoAccess source(0, 0);
    ASSERT_NE(nullptr, source.start());
    EXPECT_FALSE(WriteSaverFile(target_.c_str(), source.start(), 100, copy_));
    EXPECT_TRUE(scratch::List(folder_.path()).empty());
}

TEST_F(SaverFile, NeverMovesAFolderOfTheSameName) {
    ASSERT_TRUE(CreateDirectoryA(target_.c_str(), nullptr));
    EXPECT_FALSE(Write(kNew));
    DWORD attributes = GetFileAttributesA(target_.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(std::vector<std::string>{"stars.scr"}, scratch::List(folder_.path()));
}

TEST_F(SaverFile, AMissingFolderFailsWithoutTouchingAnything) {
    std::string target = folder_ / "missing\\stars.scr";
    EXPECT_FALSE(
        WriteSaverFile(target.c_str(), kNew.data(), static_cast<DWORD>(kNew.size()), copy_));
    EXPECT_TRUE(scratch::List(folder_.path()).empty());
}

TEST(InstallFolder, IsTheFolderThat32BitSystemFilesLiveIn) {
    // The test command names the folder expected in the prefix it runs in.
    const char* expected = getenv("SETUP_EXPECTED_SYSTEM_FOLDER");
    ASSERT_NE(nullptr, expected);
    char folder[MAX_PATH] = {};
    ASSERT_TRUE(GetInstallFolder(folder));
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiA((std::string(windows) + "\\" + expected).c_str(), folder)) << folder;
}

}  // namespace
