#include <gtest/gtest.h>

#include <string>

#include "support/path.h"

namespace {

// Code page 932: 0x95 0x5C is one character whose trail byte has the value of a backslash.
const std::string kTrailBackslash = "\x95\x5C";

struct PartCase {
    std::string path;
    std::string expected;
};

class FileNamePart : public testing::TestWithParam<PartCase> {};

TEST_P(FileNamePart, IsTheTextFromTheReturnedPosition) {
    std::string path = GetParam().path;
    char buffer[kPathBufferSize] = {};
    path.copy(buffer, path.size());
    char* part = GetFileNamePart(buffer);
    EXPECT_GE(part, buffer);
    EXPECT_EQ(GetParam().expected, part);
}

INSTANTIATE_TEST_SUITE_P(Paths, FileNamePart,
                         testing::Values(PartCase{"C:\\dir\\file.scr", "file.scr"},
                                         PartCase{"file.scr", "file.scr"}, PartCase{"C:\\", ""},
                                         PartCase{"C:file", "file"},
                                         PartCase{"C:\\dir\\", "\\dir\\"},
                                         PartCase{"dir\\sub\\", "dir\\sub\\"}, PartCase{"a:b", ""},
                                         PartCase{"", ""},
                                         PartCase{kTrailBackslash + "x", kTrailBackslash + "x"},
                                         PartCase{"C:\\" + kTrailBackslash + "\\n.scr", "n.scr"},
                                         // A lead byte just before the end is examined as one byte.
                                         PartCase{"a\\\x95", "\x95"}));

TEST(Separator, EndsTheTextOnlyWhereTheWalkExaminesIt) {
    struct Case {
        std::string path;
        bool ends;
    } cases[] = {
        {"C:\\TEMP\\", true},
        {"C:\\TEMP", false},
        {"", false},
        {"\x8E\x9A\\", true},  // 字 and a backslash: the trail byte 0x9A could lead
        {kTrailBackslash, false},
        {"a" + kTrailBackslash, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.ends, EndsWithSeparator(c.path.c_str()) != 0) << c.path;
}

TEST(FileNamePart, LeavesTheFolderSeparatorJustBeforeTheName) {
    char path[kPathBufferSize] = "C:\\Inst\\setup.exe";
    char* name = GetFileNamePart(path);
    ASSERT_EQ('\\', name[-1]);
    name[-1] = 0;
    EXPECT_STREQ("C:\\Inst", path);
}

struct AppendCase {
    std::string path;
    std::string part;
    std::string expected;
};

class AppendPart : public testing::TestWithParam<AppendCase> {};

TEST_P(AppendPart, JoinsWithOneBackslash) {
    char buffer[kPathBufferSize] = {};
    GetParam().path.copy(buffer, GetParam().path.size());
    AppendPathPart(buffer, GetParam().part.c_str());
    EXPECT_EQ(GetParam().expected, buffer);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AppendPart,
    testing::Values(AppendCase{"C:\\TEMP\\", "name", "C:\\TEMP\\name"},
                    AppendCase{"C:\\TEMP", "name", "C:\\TEMP\\name"},
                    AppendCase{"", "name", "\\name"},
                    AppendCase{"C:\\a\\\\\\b", "c", "C:\\a\\\\b\\c"},
                    AppendCase{"C:\\a\\\\\\\\b", "c", "C:\\a\\\\b\\c"},
                    AppendCase{"\\\\server\\share", "x", "\\\\server\\share\\x"},
                    AppendCase{"C:\\a", "\\x", "C:\\a\\x"},
                    AppendCase{"C:\\" + kTrailBackslash, "x", "C:\\" + kTrailBackslash + "\\x"},
                    AppendCase{"C:\\", kTrailBackslash + "\\x", "C:\\" + kTrailBackslash + "\\x"}));

TEST(AppendPart, IgnoresNullArguments) {
    char buffer[kPathBufferSize] = "C:\\a";
    AppendPathPart(buffer, nullptr);
    AppendPathPart(nullptr, "x");
    EXPECT_STREQ("C:\\a", buffer);
}

class ExtensionPart : public testing::TestWithParam<PartCase> {};

TEST_P(ExtensionPart, FollowsTheLastDotOfTheLastComponent) {
    char buffer[kPathBufferSize] = {};
    GetParam().path.copy(buffer, GetParam().path.size());
    char* extension = GetExtensionPart(buffer);
    ASSERT_NE(nullptr, extension);
    EXPECT_EQ(GetParam().expected, extension);
    if (*extension)
        EXPECT_EQ('.', extension[-1]);
}

INSTANTIATE_TEST_SUITE_P(Paths, ExtensionPart,
                         testing::Values(PartCase{"a.b.c", "c"}, PartCase{".profile", "profile"},
                                         PartCase{"name.", ""}, PartCase{"name. txt", ""},
                                         PartCase{"dir.d\\name", ""},
                                         PartCase{"C:\\x\\saver.scr", "scr"},
                                         PartCase{kTrailBackslash + ".scr", "scr"}));

TEST(ExtensionPart, IsNullForNullAndEmptyPaths) {
    char empty[1] = "";
    EXPECT_EQ(nullptr, GetExtensionPart(nullptr));
    EXPECT_EQ(nullptr, GetExtensionPart(empty));
}

class SetExtensionCase : public testing::TestWithParam<AppendCase> {};

TEST_P(SetExtensionCase, ReplacesOrAdds) {
    char buffer[kPathBufferSize] = {};
    GetParam().path.copy(buffer, GetParam().path.size());
    SetExtension(buffer, GetParam().part.c_str());
    EXPECT_EQ(GetParam().expected, buffer);
}

INSTANTIATE_TEST_SUITE_P(Paths, SetExtensionCase,
                         testing::Values(AppendCase{"dir\\b.txt", "TMP", "dir\\b.TMP"},
                                         AppendCase{"dir\\b", "TMP", "dir\\b.TMP"},
                                         AppendCase{"dir\\b.", "TMP", "dir\\b.TMP"},
                                         AppendCase{"dir.d\\b", "*", "dir.d\\b.*"},
                                         AppendCase{"x.TMP", "*", "x.*"},
                                         AppendCase{"x.TMP", "", "x.TMP"},
                                         AppendCase{"", "TMP", ""}));

}  // namespace
