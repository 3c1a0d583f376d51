#include <gtest/gtest.h>

#include "support/unique_names.h"
#include "tests/fixtures/scratch.h"

using scratch::Bytes;

namespace {

bool IsStampName(const std::string& name) {
    if (name.size() != kTimeStampLength + 4 || name.substr(kTimeStampLength) != ".TMP")
        return false;
    for (int i = 0; i < kTimeStampLength; ++i) {
        if (i == 8 ? name[i] != '_' : (name[i] < '0' || name[i] > '9'))
            return false;
    }
    return true;
}

std::string TempPath() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

TEST(Stamp, ComesFromTheLocalClock) {
    char stamp[64];
    SYSTEMTIME now;
    GetLocalTime(&now);
    ASSERT_EQ(kTimeStampLength, FormatTimeStamp(stamp));
    EXPECT_TRUE(IsStampName(std::string(stamp) + ".TMP")) << stamp;
    EXPECT_EQ(std::to_string(now.wYear), std::string(stamp, 4));
}

TEST(NumberedFile, TakesTheFirstFreeNumberAmongRealFiles) {
    struct Case {
        std::vector<std::string> files;
        std::string name;
        std::string expected;
    } cases[] = {
        {{"file.txt"}, "file.txt", "file0.txt"},
        {{"file7.txt"}, "file7.txt", "file8.txt"},
        {{"file09.txt"}, "file09.txt", "file10.txt"},
        {{"123.txt"}, "123.txt", "124.txt"},
        {{"file7"}, "file7", "file70"},
        {{"file.txt", "file0.doc"}, "file.txt", "file1.txt"},
        {{"file.txt", "file0"}, "file.txt", "file1.txt"},
        {{"other.txt"}, "file.txt", "file.txt"},
        // 0x82 0x35 is not a character of code page 932, but the lead byte still guards the 5.
        {{"a\x82"
          "5.txt"},
         "a\x82"
         "5.txt",
         "a\x82"
         "50.txt"},
    };
    for (const Case& c : cases) {
        scratch::Folder folder("numbered");
        for (const std::string& file : c.files)
            scratch::Write(folder / file, {1});
        char path[kPathBufferSize];
        lstrcpyA(path, (folder / c.name).c_str());
        EXPECT_EQ(1, MakeNumberedFileName(path)) << c.name;
        EXPECT_EQ(folder / c.expected, path);
        if (c.expected != c.name) {
            EXPECT_FALSE(scratch::Exists(path)) << path;
        }
    }
}

TEST(NumberedFile, CountsAFolderOfTheNumberedNameAsTaken) {
    scratch::Folder folder("numbered");
    scratch::Write(folder / "file.txt", {1});
    ASSERT_TRUE(CreateDirectoryA((folder / "file0").c_str(), nullptr));
    char path[kPathBufferSize];
    lstrcpyA(path, (folder / "file.txt").c_str());
    MakeNumberedFileName(path);
    EXPECT_EQ(folder / "file1.txt", path);
}

TEST(UniqueTempName, PutsOneBackslashBeforeTheStampOfAFreeTmpName) {
    scratch::Folder folder("unique");
    char output[kPathBufferSize];
    ASSERT_EQ(1, MakeUniqueTempName((folder.path() + "\\").c_str(), output));
    std::string name = output;
    ASSERT_EQ(folder.path() + "\\", name.substr(0, folder.path().size() + 1));
    EXPECT_TRUE(IsStampName(name.substr(folder.path().size() + 1))) << name;
    EXPECT_FALSE(scratch::Exists(name));
}

TEST(UniqueTempName, FallsBackToTheTemporaryFolderForNoFolderOrAFile) {
    scratch::Folder folder("unique");
    scratch::Write(folder / "plain.txt", {1});
    std::string file = folder / "plain.txt";
    std::string temp = TempPath();
    for (const char* given : {static_cast<const char*>(nullptr), "", file.c_str()}) {
        char output[kPathBufferSize];
        ASSERT_EQ(1, MakeUniqueTempName(given, output)) << (given ? given : "null");
        std::string name = output;
        ASSERT_EQ(temp, name.substr(0, temp.size())) << name;
        EXPECT_TRUE(IsStampName(name.substr(temp.size()))) << name;
    }
}

TEST(UniqueTempName, UsesAMissingFolderAsItIs) {
    scratch::Folder folder("unique");
    std::string missing = folder / "missing";
    char output[kPathBufferSize];
    ASSERT_EQ(1, MakeUniqueTempName(missing.c_str(), output));
    std::string name = output;
    ASSERT_EQ(missing + "\\", name.substr(0, missing.size() + 1));
    EXPECT_TRUE(IsStampName(name.substr(missing.size() + 1))) << name;
}

// The real probes, but stamps from a list: a taken name is held without racing the clock.
struct ListedStamps {
    std::vector<std::string> stamps;
    size_t next = 0;
    int waits = 0;

    static int Stamp(char* buffer, void* context) {
        auto* self = static_cast<ListedStamps*>(context);
        lstrcpyA(buffer, self->stamps.at(self->next++).c_str());
        return kTimeStampLength;
    }
    static void Wait(void* context) { ++static_cast<ListedStamps*>(context)->waits; }
};

TEST(UniqueTempName, TriesANewStampWhileAFileHoldsTheStemWithAnyExtension) {
    scratch::Folder folder("unique");
    scratch::Write(folder / "20020206_090503007.log", {1});
    scratch::Write(folder / "20020206_090503017", {1});
    ListedStamps listed;
    listed.stamps = {"20020206_090503007", "20020206_090503017", "20020206_090503027"};
    NameProbes probes = SystemTempNameProbes();
    probes.formatStamp = ListedStamps::Stamp;
    probes.wait = ListedStamps::Wait;
    probes.context = &listed;
    char output[kPathBufferSize];
    ASSERT_EQ(1, MakeUniqueTempNameWith(folder.path().c_str(), output, probes));
    EXPECT_EQ(folder / "20020206_090503027.TMP", output);
    EXPECT_EQ(2, listed.waits);
}

TEST(TempFolderName, IsAStampNameInTheTemporaryFolder) {
    std::string temp = TempPath();
    char output[kPathBufferSize];
    MakeTempFolderName(output);
    std::string name = output;
    ASSERT_EQ(temp, name.substr(0, temp.size())) << name;
    EXPECT_TRUE(IsStampName(name.substr(temp.size()))) << name;
}

TEST(WriteBuffer, ZeroBytesMakeAnEmptyFile) {
    scratch::Folder folder("write");
    EXPECT_EQ(1, WriteBufferToFile((folder / "empty.bin").c_str(), "", 0));
    EXPECT_TRUE(scratch::Exists(folder / "empty.bin"));
    EXPECT_TRUE(scratch::Read(folder / "empty.bin").empty());
}

TEST(WriteBuffer, ReplacesAnEarlierFileWithTheWholeBuffer) {
    scratch::Folder folder("write");
    scratch::Write(folder / "a.bin", Bytes(9000, 0x6F));
    Bytes bytes(5000, 0x4E);
    EXPECT_EQ(1, WriteBufferToFile((folder / "a.bin").c_str(), bytes.data(), 5000));
    EXPECT_EQ(bytes, scratch::Read(folder / "a.bin"));
}

TEST(WriteBuffer, AFileThatCannotBeCreatedDeletesNothing) {
    scratch::Folder folder("write");
    ASSERT_TRUE(CreateDirectoryA((folder / "taken").c_str(), nullptr));
    scratch::Write(folder / "taken\\inside.bin", {1});
    EXPECT_EQ(0, WriteBufferToFile((folder / "taken").c_str(), "x", 1));
    EXPECT_EQ(0, WriteBufferToFile((folder / "missing\\a.bin").c_str(), "x", 1));
    EXPECT_EQ(std::vector<std::string>{"taken"}, scratch::List(folder.path()));
    EXPECT_EQ(Bytes{1}, scratch::Read(folder / "taken\\inside.bin"));
}

TEST(WriteBuffer, AFileHeldOpenByAnotherStaysWhenItCannotBeReplaced) {
    scratch::Folder folder("write");
    std::string name = folder / "held.bin";
    scratch::Write(name, {7, 7});
    // The holder lets others delete the file but not write it: only a wrong delete could hurt.
    HANDLE holder = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, WriteBufferToFile(name.c_str(), "x", 1));
    CloseHandle(holder);
    EXPECT_EQ((Bytes{7, 7}), scratch::Read(name));
}

TEST(WriteBuffer, AFailedWriteLeavesNoFile) {
    scratch::Folder folder("write");
    scratch::Write(folder / "a.bin", Bytes(100, 0x6F));
    scratch::BufferRunningIntoNoAccess source(100, 0x4E);
    ASSERT_NE(nullptr, source.start());
    EXPECT_EQ(0, WriteBufferToFile((folder / "a.bin").c_str(), source.start(), 5000));
    EXPECT_TRUE(scratch::List(folder.path()).empty());
}

}  // namespace
