#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/unique_names.h"

namespace {

const StampTime kFeb6 = {2002, 2, 6, 9, 5, 3, 7};

// A file system of full paths and a clock that the waits move on by 10 ms.
struct FakeSystem {
    std::vector<std::string> files;
    std::map<std::string, FolderEntry> entries;
    bool allTaken = false;
    bool noTempFolder = false;  // the platform gives none, and the buffer keeps what it held
    StampTime now = kFeb6;
    int stamps = 0, waits = 0, tempFolderCalls = 0;
    std::vector<std::string> probes;

    NameProbes Probes() { return {Matches, FindEntry, TempFolder, Stamp, Wait, this}; }

    // Only the patterns the operations make: a stem and ".*", matching any extension or none.
    static int Matches(const char* pattern, void* context) {
        auto* self = static_cast<FakeSystem*>(context);
        self->probes.push_back(pattern);
        EXPECT_LT(strlen(pattern), size_t{kPathBufferSize}) << "a probe the platform cannot take";
        std::string stem = pattern;
        EXPECT_EQ(".*", stem.substr(stem.size() - 2)) << pattern;
        stem.resize(stem.size() - 2);
        for (const std::string& file : self->files) {
            if (file == stem || file.rfind(stem + ".", 0) == 0)
                return 1;
        }
        return self->allTaken;
    }
    static FolderEntry FindEntry(const char* folder, void* context) {
        auto& entries = static_cast<FakeSystem*>(context)->entries;
        auto entry = entries.find(folder);
        return entry == entries.end() ? kNoEntry : entry->second;
    }
    static void TempFolder(char* buffer, void* context) {
        auto* self = static_cast<FakeSystem*>(context);
        ++self->tempFolderCalls;
        if (!self->noTempFolder)
            strcpy(buffer, "C:\\TEMP\\");
    }
    static int Stamp(char* buffer, void* context) {
        auto* self = static_cast<FakeSystem*>(context);
        ++self->stamps;
        return FormatStamp(self->now, buffer);
    }
    static void Wait(void* context) {
        auto* self = static_cast<FakeSystem*>(context);
        ++self->waits;
        int ms = self->now.milliseconds + 10;
        self->now.milliseconds = static_cast<unsigned short>(ms % 1000);
        self->now.second = static_cast<unsigned short>(self->now.second + ms / 1000);
    }
};

TEST(Stamp, IsEighteenZeroPaddedDigitsOfTheLocalTime) {
    struct Case {
        StampTime time;
        const char* expected;
    } cases[] = {
        {kFeb6, "20020206_090503007"},
        {{1999, 12, 31, 23, 59, 59, 999}, "19991231_235959999"},
        {{1000, 1, 1, 0, 0, 0, 0}, "10000101_000000000"},
        {{9999, 10, 10, 10, 10, 10, 10}, "99991010_101010010"},
    };
    for (const Case& c : cases) {
        char buffer[64];
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(kTimeStampLength, FormatStamp(c.time, buffer)) << c.expected;
        EXPECT_STREQ(c.expected, buffer);
    }
}

TEST(Counter, StartsOneAfterTheStrippedDigits) {
    struct Case {
        const char* stem;
        const char* kept;
        int start;
    } cases[] = {
        {"file7", "file", 8},
        {"file09", "file", 10},
        {"123", "1", 24},  // the first character always stays
        {"7", "7", 0},
        {"file", "file", 0},
        {"v2x", "v2x", 0},
        {"", "", 0},
        {"file000000000000007", "file", 8},  // leading zeros are no overflow
        {"a\x82"
         "5",
         "a\x82"
         "5",
         0},  // the 5 is the second byte of a two-byte character
        {"a\x82"
         "57",
         "a\x82"
         "5",
         8},
        {"file2147483646", "file", 2147483647},
        {"file2147483647", "file2147483647", 0},  // its successor would not fit
        {"file99999999999", "file99999999999", 0},
        {"\x8E\x9A"  // 字: its trail byte has a lead-byte value
         "1",
         "\x8E\x9A", 2},
    };
    for (const Case& c : cases) {
        char stem[kPathBufferSize];
        strcpy(stem, c.stem);
        EXPECT_EQ(c.start, StripCounter(stem)) << c.stem;
        EXPECT_STREQ(c.kept, stem);
    }
}

TEST(NumberedName, FormatsFolderStemNumberDotExtension) {
    char buffer[kPathBufferSize];
    ASSERT_TRUE(FormatNumberedName(buffer, "C:\\d\\", "file", 12, "txt"));
    EXPECT_STREQ("C:\\d\\file12.txt", buffer);
    ASSERT_TRUE(FormatNumberedName(buffer, "", "file", 2147483647, ""));
    EXPECT_STREQ("file2147483647.", buffer);
}

TEST(NumberedName, RefusesANameLongerThanTheBuffer) {
    char buffer[kPathBufferSize] = "untouched";
    std::string stem(kPathBufferSize - 5, 'a');  // + "0.txt" leaves no room for the terminator
    EXPECT_FALSE(FormatNumberedName(buffer, "", stem.c_str(), 0, "txt"));
    EXPECT_STREQ("untouched", buffer);
    stem.pop_back();
    EXPECT_TRUE(FormatNumberedName(buffer, "", stem.c_str(), 0, "txt"));
    EXPECT_EQ(kPathBufferSize - 1, static_cast<int>(strlen(buffer)));
}

struct NumberedCase {
    const char* path;
    std::vector<std::string> files;
    const char* expected;
};

class NumberedNames : public testing::TestWithParam<NumberedCase> {};

TEST_P(NumberedNames, StripTrailingDigitsAndCountOnToAFreeStem) {
    FakeSystem system;
    for (const std::string& file : GetParam().files)
        system.files.push_back("C:\\d\\" + file);
    char path[kPathBufferSize];
    strcpy(path, GetParam().path);
    EXPECT_EQ(1, MakeNumberedFileNameWith(path, system.Probes()));
    EXPECT_STREQ(GetParam().expected, path);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberedNames,
    testing::Values(
        NumberedCase{"C:\\d\\file.txt", {"file.txt"}, "C:\\d\\file0.txt"},
        NumberedCase{"C:\\d\\file7.txt", {"file7.txt"}, "C:\\d\\file8.txt"},
        NumberedCase{"C:\\d\\file7.txt", {"file7.txt", "file8"}, "C:\\d\\file9.txt"},
        NumberedCase{"C:\\d\\file09.txt", {"file09.txt"}, "C:\\d\\file10.txt"},
        NumberedCase{"C:\\d\\123.txt", {"123.txt"}, "C:\\d\\124.txt"},
        NumberedCase{"C:\\d\\file7", {"file7"}, "C:\\d\\file70"},
        NumberedCase{"C:\\d\\file.txt", {"file.txt", "file0.doc"}, "C:\\d\\file1.txt"},
        NumberedCase{"C:\\d\\file.txt", {"file.log"}, "C:\\d\\file0.txt"},
        NumberedCase{"C:\\d\\file.txt", {"other.txt"}, "C:\\d\\file.txt"},
        NumberedCase{"C:\\d\\a\x82"
                     "5.txt",
                     {"a\x82"
                      "5.txt"},
                     "C:\\d\\a\x82"
                     "50.txt"},
        NumberedCase{"C:\\d\\f99999999999.txt", {"f99999999999.txt"}, "C:\\d\\f999999999990.txt"},
        NumberedCase{"C:\\d\\v1.2.txt", {"v1.2.txt"}, "C:\\d\\v1.3.txt"},
        NumberedCase{"C:\\d\\\x8E\x9A"
                     "1.txt",
                     {"\x8E\x9A"
                      "1.txt"},
                     "C:\\d\\\x8E\x9A"
                     "2.txt"},
        NumberedCase{"C:\\d\\x.y\\file", {"x.y\\file"}, "C:\\d\\x.y\\file0"}));

TEST(NumberedName, LeavesAnEmptyPathAloneWithoutProbing) {
    FakeSystem system;
    char path[kPathBufferSize] = "";
    EXPECT_EQ(0, MakeNumberedFileNameWith(path, system.Probes()));
    EXPECT_STREQ("", path);
    EXPECT_TRUE(system.probes.empty());
}

TEST(NumberedName, ProbesTheStemWithAnyExtension) {
    FakeSystem system;
    system.files = {"C:\\d\\file.txt"};
    char path[kPathBufferSize] = "C:\\d\\file.txt";
    MakeNumberedFileNameWith(path, system.Probes());
    EXPECT_EQ((std::vector<std::string>{"C:\\d\\file.*", "C:\\d\\file0.*"}), system.probes);
}

TEST(NumberedName, StopsAtTheLargestNumberInsteadOfWrappingRound) {
    FakeSystem system;
    system.allTaken = true;
    char path[kPathBufferSize] = "C:\\d\\file2147483640.txt";
    EXPECT_EQ(0, MakeNumberedFileNameWith(path, system.Probes()));
    EXPECT_STREQ("C:\\d\\file2147483647.txt", path);
    EXPECT_EQ(1u + 7u, system.probes.size());
}

TEST(NumberedName, GivesUpUnchangedWhenNoProbeOrNumberedNameFits) {
    // "C:\\" and a name of 259 bytes in all with an extension; of 257 to 259 bytes without one.
    for (int length : {-259, 257, 258, 259}) {
        FakeSystem system;
        system.allTaken = true;
        std::string longPath = "C:\\" + std::string(std::abs(length) - 3, 'a');
        if (length < 0)
            longPath.replace(longPath.size() - 4, 4, ".txt");
        char path[kPathBufferSize];
        strcpy(path, longPath.c_str());
        EXPECT_EQ(0, MakeNumberedFileNameWith(path, system.Probes())) << length;
        EXPECT_EQ(longPath, path);
    }
}

TEST(UniqueName, JoinsTheFolderWithOneBackslashAndTheTmpExtension) {
    FakeSystem system;
    system.entries["C:\\work\\"] = kDirectoryEntry;
    char output[kPathBufferSize];
    EXPECT_EQ(1, MakeUniqueTempNameWith("C:\\work\\", output, system.Probes()));
    EXPECT_STREQ("C:\\work\\20020206_090503007.TMP", output);
    EXPECT_EQ((std::vector<std::string>{"C:\\work\\20020206_090503007.*"}), system.probes);
    EXPECT_EQ(0, system.waits);
}

TEST(UniqueName, ChoosesTheTemporaryFolderUnlessGivenAFolderOrAMissingPath) {
    struct Case {
        const char* folder;
        FolderEntry entry;
        const char* expected;
    } cases[] = {
        {nullptr, kNoEntry, "C:\\TEMP\\20020206_090503007.TMP"},
        {"", kNoEntry, "C:\\TEMP\\20020206_090503007.TMP"},
        {"C:\\d\\file.txt", kOtherEntry, "C:\\TEMP\\20020206_090503007.TMP"},
        {"C:\\dir", kDirectoryEntry, "C:\\dir\\20020206_090503007.TMP"},
        {"D:\\missing", kNoEntry, "D:\\missing\\20020206_090503007.TMP"},
    };
    for (const Case& c : cases) {
        FakeSystem system;
        if (c.folder)
            system.entries[c.folder] = c.entry;
        char output[kPathBufferSize];
        EXPECT_EQ(1, MakeUniqueTempNameWith(c.folder, output, system.Probes())) << c.expected;
        EXPECT_STREQ(c.expected, output);
        EXPECT_EQ(strncmp(c.expected, "C:\\TEMP", 7) == 0 ? 1 : 0, system.tempFolderCalls)
            << c.expected;
    }
}

TEST(UniqueName, WaitsForANewStampWhileTheStemIsTakenWithAnyExtension) {
    FakeSystem system;
    system.files = {"C:\\w\\20020206_090503007.log", "C:\\w\\20020206_090503017.TMP"};
    char output[kPathBufferSize];
    EXPECT_EQ(1, MakeUniqueTempNameWith("C:\\w", output, system.Probes()));
    EXPECT_STREQ("C:\\w\\20020206_090503027.TMP", output);
    EXPECT_EQ(2, system.waits);
    EXPECT_EQ(3, system.stamps);
}

TEST(UniqueName, GivesUpAfter1001AttemptsKeepingTheLastCandidate) {
    FakeSystem system;
    system.allTaken = true;
    char output[kPathBufferSize];
    EXPECT_EQ(0, MakeUniqueTempNameWith("C:\\w", output, system.Probes()));
    // 1000 waits of 10 ms between the first stamp and the last.
    EXPECT_STREQ("C:\\w\\20020206_090513007.TMP", output);
    EXPECT_EQ(kUniqueNameAttempts, system.stamps);
    EXPECT_EQ(kUniqueNameAttempts, system.waits);
}

TEST(UniqueName, AFolderTooLongForTheNameGivesNone) {
    FakeSystem system;
    std::string folder = "C:\\" + std::string(kPathBufferSize - 26, 'a');
    char output[kPathBufferSize] = "stale";
    EXPECT_EQ(0, MakeUniqueTempNameWith(folder.c_str(), output, system.Probes()));
    EXPECT_STREQ("", output);
    folder.pop_back();
    EXPECT_EQ(1, MakeUniqueTempNameWith(folder.c_str(), output, system.Probes()));
    EXPECT_EQ(kPathBufferSize - 1, static_cast<int>(strlen(output)));
}

TEST(UniqueName, NoTemporaryFolderGivesNoName) {
    FakeSystem system;
    system.noTempFolder = true;
    char output[kPathBufferSize];
    memset(output, 'x', sizeof output);  // what an unset stack buffer may hold
    EXPECT_EQ(0, MakeUniqueTempNameWith(nullptr, output, system.Probes()));
    EXPECT_STREQ("", output);
    memset(output, 'x', sizeof output);
    MakeTempFolderNameWith(output, system.Probes());
    EXPECT_STREQ("", output);
}

TEST(TempFolderName, IsAStampInTheTemporaryFolderWithoutAnyProbe) {
    FakeSystem system;
    system.allTaken = true;
    char output[kPathBufferSize];
    MakeTempFolderNameWith(output, system.Probes());
    EXPECT_STREQ("C:\\TEMP\\20020206_090503007.TMP", output);
    EXPECT_TRUE(system.probes.empty());
}

}  // namespace
