#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "tests/fixtures/synthetic_saver.h"
#include "tools/core/inspect.h"
#include "tools/core/names.h"

using fixtures::Bytes;

// Authors' names as text, as Windows writes them in code page 932, or refused by the
// character at fault; each stored name reads back as the same text.
TEST(SaverNames, AreStoredAsWindowsWritesCodePage932OrRefusedWithTheCharacter) {
    const struct Case {
        const char *name, *stored, *refusal;
    } cases[] = {
        {"星空.scr", "\x90\xAF\x8B\xF3.scr", nullptr},
        {"ソフト表.scr", "\x83\x5C\x83\x74\x83\x67\x95\x5C.scr", nullptr},  // trail bytes 0x5C
        {"纊黑 ｿﾌﾄ~.scr", "\xFA\x5C\xFC\x4B \xBF\xCC\xC4~.scr", nullptr},   // IBM rows, not NEC's
        {"Ⅰ①￢∵.scr", "\x87\x54\x87\x40\x81\xCA\x81\xE6.scr", nullptr},  // JIS and NEC row 13 first
        {"Café.scr", nullptr, "\"é\" (U+00E9), which Japanese Windows' code page (932)"},
        {"\xF0\x9F\x98\x80.scr", nullptr, "\"\xF0\x9F\x98\x80\" (U+1F600), which Japanese"},
        {"24/7 Clock.scr", nullptr, "\"/\" (U+002F), which Windows does not allow"},
        {"What?.scr", nullptr, "\"?\" (U+003F), which Windows does not allow"},
        {"a<b>|c\".scr", nullptr, "\"<\" (U+003C)"},
        {"sub\\x.scr", nullptr, "\"\\\" (U+005C)"},
        {"a\tb.scr", nullptr, "has U+0009, which Windows"},
        {".scr", nullptr, "nothing before its extension"},
        {"x.scr.", nullptr, "ends with a dot or a space"},
        {"", nullptr, "the name is empty"},
        {"\xFF.scr", nullptr, "not text in this system's character set (UTF-8)"},
        {"\xED\xA0\x80.scr", nullptr, "(UTF-8)"},  // a surrogate
    };
    const Bytes saver = fixtures::SaverImage(300, {}), stub(64, 'S');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string reason;
        Bytes file;
        ASSERT_EQ(c.stored != nullptr, BuildInstaller(stub, saver, c.name, &file, &reason));
        if (!c.stored) {
            EXPECT_NE(std::string::npos, reason.find(c.refusal)) << reason;
            continue;
        }
        InstallerFacts facts = InspectInstaller(file.data(), file.size());
        EXPECT_EQ(std::make_tuple(std::string(c.stored), std::string(c.name), true),
                  std::tie(facts.nameBytes, facts.name, facts.installs));
    }
}

// Every character of the table goes back to a code that gives it again; 7724 of them, so a
// table cut short cannot pass.
TEST(SaverNames, EveryDoubleByteCharacterRoundTrips) {
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFC; lead += lead == 0x9F ? 0x41 : 1)
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            std::string text, again, back, reason;
            if (!DecodeCp932({static_cast<char>(lead), static_cast<char>(trail)}, &text))
                continue;
            ++characters;
            ASSERT_TRUE(PackageName(text, &again, &reason) && DecodeCp932(again, &back) &&
                        back == text)
                << lead << " " << trail << reason;
        }
    EXPECT_EQ(7724, characters);
}

// The screen savers Windows ships, and devices with and without an extension, in mixed case.
TEST(SaverNames, NamesWindowsOwnAreRefusedInAnyCase) {
    std::istringstream owned(
        "aurora bubbles mystify photoscreensaver ribbons scrnsave sstext3d ss3dfo ssbezier "
        "ssflwbox ssmarque ssmypics ssmyst sspipes ssstars logon con. prn. aux. nul. com1. com2. "
        "com3. com4. com5. com6. com7. com8. com9. lpt1. lpt2. lpt3. lpt4. lpt5. lpt6. lpt7. "
        "lpt8. lpt9.");
    const Bytes saver = fixtures::SaverImage(300, {}), stub(64, 'S');
    for (std::string name; owned >> name;) {  // a device ends in a dot: also without extension
        std::string stem = name.substr(0, name.find('.')), reason;
        for (std::string form : {stem + ".scr", name.back() == '.' ? stem : stem + ".scr"}) {
            for (size_t i = 0; i < form.size(); i += 2)
                form[i] = static_cast<char>(toupper(form[i]));
            Bytes file;
            EXPECT_FALSE(BuildInstaller(stub, saver, form, &file, &reason)) << form;
        }
    }
}

// Built elsewhere: a name that is no code page 932 text or that Windows cannot hold installs
// nothing, and inspect says why.
TEST(SaverNames, ForeignNamesTheInstallerCannotWriteInstallNothing) {
    const struct Case {
        const char *name, *shown, *reason;
    } cases[] = {
        {"\x85\x40.scr", "\xEF\xBF\xBD@.scr", "byte 0x85 at 0"},  // an empty row
        {"a\x81.scr\x81", "a\xEF\xBF\xBD.scr\xEF\xBF\xBD", "byte 0x81 at 1"},
        {"What?.scr", "What?.scr", "\"?\" (U+003F)"},
    };
    for (const Case& c : cases) {
        Bytes file = fixtures::RawInstaller(Bytes(64), fixtures::NameField(c.name),
                                            fixtures::SaverImage(300, {}));
        InstallerFacts facts = InspectInstaller(file.data(), file.size());
        EXPECT_FALSE(facts.installs) << c.name;
        EXPECT_EQ(c.shown, facts.name);
        EXPECT_NE(std::string::npos, FormatInspectText(facts).find(c.reason)) << c.name;
    }
}
