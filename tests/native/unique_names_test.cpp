#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/unique_names.h"

using Files = std::vector<std::string>;

// A file system of full paths ("*" stands for every name), one folder entry, a temporary folder
// and a clock that each wait moves on by 10 ms.
struct FakeSystem {
    Files files = {};
    std::string folder = "";
    FolderEntry entry = kNoEntry;
    const char* tempFolder = "C:\\TEMP\\";  // null: the platform gives none
    StampTime now = {2002, 2, 6, 9, 5, 3, 7};

    NameProbes Probes() { return {Matches, FindEntry, TempFolder, Stamp, Wait, this}; }
    static FakeSystem& Of(void* context) { return *static_cast<FakeSystem*>(context); }
    static int Matches(const char* pattern, void* context) {
        EXPECT_LT(strlen(pattern), size_t{kPathBufferSize}) << "a probe the platform cannot take";
        std::string stem(pattern, strlen(pattern) - 2);  // the operations only probe "stem.*"
        return std::any_of(Of(context).files.begin(), Of(context).files.end(), [&](auto& file) {
            return file == "*" || file == stem || file.rfind(stem + ".", 0) == 0;
        });
    }
    static FolderEntry FindEntry(const char* folder, void* context) {
        return folder == Of(context).folder ? Of(context).entry : kNoEntry;
    }
    static void TempFolder(char* buffer, void* context) {
        if (Of(context).tempFolder)
            strcpy(buffer, Of(context).tempFolder);
    }
    static int Stamp(char* buffer, void* context) { return FormatStamp(Of(context).now, buffer); }
    static void Wait(void* context) {  // no test waits long enough to pass a minute
        StampTime& now = Of(context).now;
        now.second += (now.milliseconds += 10) / 1000;
        now.milliseconds %= 1000;
    }
};

TEST(NumberedName, CountsOnFromTheTrailingDigitsToAStemNoEntryUses) {
    auto name = [](int length) { return "C:\\" + std::string(length - 3, 'a'); };
    const std::tuple<std::string, Files, int, std::string> cases[] = {
        {"file.txt", {"other.txt"}, 1, "file.txt"},
        {"file.txt", {"file.txt", "file0.doc"}, 1, "file1.txt"},  // a stem taken with any extension
        {"file7.txt", {"file7.txt", "file8"}, 1, "file9.txt"},
        {"file7", {"file7"}, 1, "file70"},  // no extension: the digits stay
        {"file000000000000007.txt", {"file000000000000007.txt"}, 1, "file8.txt"},
        {"123.txt", {"123.txt"}, 1, "124.txt"},  // the first character always stays
        {"v2x.txt", {"v2x.txt"}, 1, "v2x0.txt"},
        {"v1.2.txt", {"v1.2.txt"}, 1, "v1.3.txt"},
        {"x.y\\file", {"x.y\\file"}, 1, "x.y\\file0"},
        // 0x82 0x35 is one character whose trail byte is a '5'; 0x30 to 0x39 are the digits.
        {"a\x82\x35.txt", {"a\x82\x35.txt"}, 1, "a\x82\x35\x30.txt"},
        {"a\x82\x35\x37.txt", {"a\x82\x35\x37.txt"}, 1, "a\x82\x35\x38.txt"},
        // 字 (0x8E 0x9A) then "1": the trail byte has a lead-byte value.
        {"\x8E\x9A\x31.txt", {"\x8E\x9A\x31.txt"}, 1, "\x8E\x9A\x32.txt"},
        {"file2147483646.txt", {"file2147483646.txt"}, 1, "file2147483647.txt"},
        // Its successor would not fit: the digits stay and counting starts at 0.
        {"file2147483647.txt", {"file2147483647.txt"}, 1, "file21474836470.txt"},
        {"file2147483640.txt", {"*"}, 0, "file2147483647.txt"},  // stops rather than wrapping
        {"", {"*"}, 0, ""},
        // Left unchanged when no probe or numbered name fits in a path buffer.
        {name(255) + ".txt", {"*"}, 0, name(255) + ".txt"},
        {name(257), {"*"}, 0, name(257)},
        {name(258), {"*"}, 0, name(258)},
        {name(259), {"*"}, 0, name(259)},
    };
    for (const auto& [path, taken, result, expected] : cases) {
        FakeSystem system{taken};
        char buffer[kPathBufferSize];
        strcpy(buffer, path.c_str());
        EXPECT_EQ(result, MakeNumberedFileNameWith(buffer, system.Probes())) << path;
        EXPECT_EQ(expected, buffer);
    }
}

TEST(UniqueName, IsAStampInTheFolderThatNoEntryUsesWithAnyExtension) {
    const std::string stamp = "\\20020206_090503007.TMP", w = "w\\20020206_0905030";
    const std::string longest(kPathBufferSize - 24, 'a'), tooLong = longest + "a";
    const std::tuple<const char*, FolderEntry, Files, int, std::string> cases[] = {
        {"C:\\work\\", kDirectoryEntry, {}, 1, "C:\\work" + stamp},
        {nullptr, kNoEntry, {}, 1, "C:\\TEMP" + stamp},
        {"", kNoEntry, {}, 1, "C:\\TEMP" + stamp},
        {"C:\\d\\file.txt", kOtherEntry, {}, 1, "C:\\TEMP" + stamp},
        // A missing folder is used as it is; two stamps are taken.
        {"w", kNoEntry, {w + "07.log", w + "17.TMP"}, 1, w + "27.TMP"},
        {"w", kNoEntry, {"*"}, 0, "w\\20020206_090513007.TMP"},  // the last of 1001, 10 s later
        {longest.c_str(), kNoEntry, {}, 1, longest + stamp},
        {tooLong.c_str(), kNoEntry, {}, 0, ""},
    };
    for (const auto& [folder, entry, taken, result, expected] : cases) {
        FakeSystem system{taken, folder ? folder : "", entry};
        char output[kPathBufferSize];
        EXPECT_EQ(result, MakeUniqueTempNameWith(folder, output, system.Probes())) << expected;
        EXPECT_EQ(expected, output);
    }
}

TEST(TempFolderName, IsAStampInTheTemporaryFolderAndNoneWithoutOne) {
    FakeSystem system{{"*"}};  // every name taken: this one is not checked
    char output[kPathBufferSize];
    MakeTempFolderNameWith(output, system.Probes());
    EXPECT_STREQ("C:\\TEMP\\20020206_090503007.TMP", output);
    system.tempFolder = nullptr;  // and the buffers hold what an unset stack buffer may hold
    memset(output, 'x', sizeof output);
    EXPECT_EQ(0, MakeUniqueTempNameWith(nullptr, output, system.Probes()));
    EXPECT_STREQ("", output);
    memset(output, 'x', sizeof output);
    MakeTempFolderNameWith(output, system.Probes());
    EXPECT_STREQ("", output);
}
