#include <gtest/gtest.h>
#include <locale.h>
#include <wchar.h>

#include <regex>
#include <set>

#include "installer/package.h"
#include "tests/fixtures/synthetic_saver.h"
#include "tools/core/inspect.h"
#include "tools/core/saver_header.h"
#include "tools/core/texts.h"

TEST(KitTexts, TheFirstLocaleVariableSetDecides) {
    const struct Case {
        const char *all, *messages, *lang;
        Language want;
    } cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", Language::kJapanese},
        {nullptr, nullptr, "ja", Language::kJapanese},
        {"", "ja_JP.eucJP", "C", Language::kJapanese},
        {"C", "ja_JP.UTF-8", "ja_JP.UTF-8", Language::kEnglish},
        {nullptr, nullptr, "jam_JM", Language::kEnglish},
        {nullptr, nullptr, nullptr, Language::kEnglish},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        EXPECT_EQ(LanguageFromLocale(c.all, c.messages, c.lang), c.want);
    }
}

// A translation that drops or invents an argument would show the wrong facts; one left out
// shows English.
TEST(KitTexts, BothLanguagesTakeTheSameArguments) {
    const std::regex placeholder("\\{[1-9]\\}");
    auto placesOf = [&](const std::string& text) {
        return std::set<std::string>(
            std::sregex_token_iterator(text.begin(), text.end(), placeholder),
            std::sregex_token_iterator());
    };
    for (int id = 0; id < static_cast<int>(Text::kCount); ++id) {
        SCOPED_TRACE(testing::Message() << "text " << id);
        std::string english = SayIn(Language::kEnglish, static_cast<Text>(id));
        std::string japanese = SayIn(Language::kJapanese, static_cast<Text>(id));
        EXPECT_EQ(placesOf(english), placesOf(japanese));
        EXPECT_NE(english, japanese);
    }
}

// Wide Japanese characters take two columns: each value of inspect's report starts in one
// column in either language, measured by the C library's own widths.
TEST(KitTexts, TheReportStaysAlignedInEitherLanguage) {
    ASSERT_TRUE(setlocale(LC_CTYPE, "C.UTF-8"));
    std::vector<uint8_t> saver, stub(4096, 0x4D), installer;
    std::string reason;
    ASSERT_TRUE(AppendSaverDataHeader(fixtures::Program(3000, 0x90), {}, &saver, &reason));
    ASSERT_TRUE(BuildInstaller(stub, saver, "kit.scr", &installer, &reason));
    for (Language language : {Language::kEnglish, Language::kJapanese}) {
        SetLanguage(language);
        std::string report =
            FormatInspectText(InspectInstaller(installer.data(), installer.size()));
        SetLanguage(Language::kEnglish);
        std::set<int> labelEnds, checkEnds;
        std::istringstream lines(report);
        for (std::string line; std::getline(lines, line);) {
            std::wstring wide(line.size(), L'\0');
            wide.resize(mbstowcs(&wide[0], line.c_str(), wide.size()));
            size_t value = wide.find_first_not_of(L' ', wide.find(L"  ", wide[0] == L' ' ? 2 : 0));
            if (value != std::wstring::npos)
                (wide[0] == L' ' ? checkEnds : labelEnds).insert(wcswidth(wide.c_str(), value));
        }
        EXPECT_EQ(labelEnds.size(), 1u) << report;
        EXPECT_EQ(checkEnds.size(), 1u) << report;
    }
}
