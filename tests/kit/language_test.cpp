// make-installer speaks the user's language: the Linux tool by LANG, the Windows tool under Wine
// by the user's UI language. Help, refusals and inspect's report come out as the table has them,
// with the same exit codes in both languages; --json stays English.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/core/inspect.h"
#include "tools/core/texts.h"

namespace {

struct Result {
    std::string out;
    int code;
};

// A shell command's stdout, or its stderr, without the CRs of the Windows tool.
Result RunTool(const std::string& command, bool keepErrors) {
    std::string redirected = keepErrors ? command + " 2>&1 >/dev/null" : command + " 2>/dev/null";
    FILE* pipe = popen(redirected.c_str(), "r");
    Result result{"", -1};
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, got);
    int status = pclose(pipe);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out.erase(std::remove(result.out.begin(), result.out.end(), '\r'), result.out.end());
    return result;
}

std::string ReportOf(const char* path, Language language, bool json = false) {
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    SetLanguage(language);
    InstallerFacts facts = InspectInstaller(bytes.data(), bytes.size());
    std::string report = json ? FormatInspectJson(facts) : FormatInspectText(facts);
    SetLanguage(Language::kEnglish);
    return report;
}

TEST(KitLanguage, BothToolsSpeakTheUsersLanguageWithTheSameExitCodes) {
    std::string native = getenv("MAKE_INSTALLER"), windows = getenv("WINDOWS_MAKE_INSTALLER");
    // Under TMPDIR, which a guest machine running Wine sees too.
    const char* temporary = getenv("TMPDIR");
    std::string work = std::string(temporary ? temporary : "/tmp") + "/kit-language-XXXXXX";
    ASSERT_TRUE(mkdtemp(&work[0]) && chdir(work.c_str()) == 0);
    ASSERT_EQ(
        RunTool(
            "{ printf 'MZ%058d@\\0\\0\\0PE\\0\\0L\\001' 0; seq 9000; } >a.bin && env LC_ALL=C " +
                native + " header a.bin -o a.scr && env LC_ALL=C " + native +
                " build a.scr -o a.exe && head -c 30000 a.exe >cut.exe && printf BM >b.bmp",
            false)
            .code,
        0);
    const Language kJa = Language::kJapanese, kEn = Language::kEnglish;
    struct Tool {
        std::string prefix;
        Language language;
    } tools[] = {
        {"env -u LC_ALL -u LC_MESSAGES LANG=ja_JP.UTF-8 " + native, kJa},
        {"env -u LC_ALL LC_MESSAGES=ja_JP.UTF-8 LANG=C " + native, kJa},
        {"env LC_ALL=C LANG=ja_JP.UTF-8 " + native, kEn},
        {"env WINE_RUN_LANG=ja_JP.UTF-8 " + windows, kJa},
        {"env WINE_RUN_LANG=en_US.UTF-8 " + windows, kEn},
    };
    for (const Tool& tool : tools) {
        Language l = tool.language;
        struct Case {
            const char* args;
            bool errors;
            std::string want;
            int code;
        } cases[] = {
            {"--help", false, SayIn(l, Text::kToolHelp), 0},
            {"inspect --help", false, SayIn(l, Text::kInspectHelp), 0},
            {"build missing.scr", true,
             "make-installer: missing.scr: " +
                 SayIn(l, Text::kCannotRead, {SayIn(l, Text::kNoSuchFile)}) + "\n",
             1},
            {"build a.scr -o b.exe --name CON.scr", true,
             "make-installer: a.scr: " +
                 SayIn(l, Text::kRefusedAs, {"CON.scr", SayIn(l, Text::kNameUnsafe)}) + "\n",
             1},
            {"header a.bin --splash b.bmp -o c.scr", true,
             "make-installer: b.bmp: " +
                 SayIn(l, Text::kNotTakenAsSplash, {SayIn(l, Text::kBmpEndsInHeaders)}) + "\n",
             1},
            {"build", true,
             "make-installer: " +
                 SayIn(l, Text::kUsage, {SayIn(l, Text::kTakesOneFile, {"build"})}) + "\n",
             2},
            {"inspect a.exe", false, ReportOf("a.exe", l), 0},
            {"inspect cut.exe", false, ReportOf("cut.exe", l), 1},
            {"inspect a.exe --json", false, ReportOf("a.exe", l, true), 0},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(tool.prefix + " " + c.args);
            Result result = RunTool(tool.prefix + " " + c.args, c.errors);
            EXPECT_EQ(result.out, c.want);
            EXPECT_EQ(result.code, c.code);
        }
    }
    RunTool("rm -rf " + work, false);
}

}  // namespace
