#include <gtest/gtest.h>

#include <string>

#include "support/path.h"

// What an operation makes of `path` in a path buffer: the text from the position it returns, or
// the path it changed.
static std::string Apply(char op, const char* path, const char* arg) {
    char buffer[kPathBufferSize] = {};
    strcpy(buffer, path);
    if (op == 'N')
        return GetFileNamePart(buffer);
    if (op == 'E')
        return GetExtensionPart(buffer);
    if (op == 'S')
        return EndsWithSeparator(buffer) ? "ends" : "";
    if (op == 'A')
        AppendPathPart(buffer, arg);
    if (op == 'X')
        SetExtension(buffer, arg);
    return buffer;
}

// In code page 932, 0x95 0x5C is one character whose trail byte has the value of a backslash,
// and 字 is 0x8E 0x9A, whose trail byte has the value of a lead byte.
TEST(Path, OperationsWalkDoubleByteCharactersWhole) {
    const struct {
        char op;  // N file name part, E extension part, S ends with separator, A append, X set ext.
        const char *path, *arg, *expected;
    } cases[] = {
        {'N', "C:file", "", "file"},
        {'N', "C:\\dir\\", "", "\\dir\\"},
        {'N', "C:\\\x95\x5C\\n.scr", "", "n.scr"},
        {'N', "a\\\x95", "", "\x95"},  // a lead byte just before the end is examined as one byte
        {'S', "C:\\TEMP\\", "", "ends"},
        {'S', "C:\\TEMP", "", ""},
        {'S', "\x8E\x9A\\", "", "ends"},
        {'S', "a\x95\x5C", "", ""},
        {'A', "C:\\TEMP", "name", "C:\\TEMP\\name"},
        {'A', "C:\\a\\\\\\b", "c", "C:\\a\\\\b\\c"},
        {'A', "\\\\server\\share", "x", "\\\\server\\share\\x"},  // a leading pair stays
        {'A', "C:\\\x95\x5C", "x", "C:\\\x95\x5C\\x"},
        {'A', "C:\\", "\x95\x5C\\x", "C:\\\x95\x5C\\x"},
        {'E', "a.b.c", "", "c"},
        {'E', "name. txt", "", ""},
        {'E', "dir.d\\name", "", ""},
        {'E', "\x95\x5C.scr", "", "scr"},
        {'X', "dir\\b.txt", "TMP", "dir\\b.TMP"},
        {'X', "dir\\b.", "TMP", "dir\\b.TMP"},
        {'X', "dir.d\\b", "*", "dir.d\\b.*"},
        {'X', "x.TMP", "", "x.TMP"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Apply(c.op, c.path, c.arg)) << c.op << " " << c.path << " " << c.arg;
}
