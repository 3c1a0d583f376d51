#include <gtest/gtest.h>

#include "tests/fixtures/bmp_file.h"
#include "tools/core/bmp.h"
#include "tools/core/inspect.h"
#include "tools/core/saver_header.h"

using fixtures::Bytes;

// Every kind of BMP file through the authors' tool: `header` converts it to the packed DIB the
// installer draws (a core header stays; a larger one becomes 40 bytes with the masks after it
// and no table above 8 bits; the same palette and rows), in memory and where the file's rows
// lie. Each kind bottom-up and, but for core headers, top-down.
TEST(AuthorsKit, EveryKindOfBmpFileBecomesTheDibTheInstallerDraws) {
    // Bit-field masks (red, green, blue) by number: none, 5-6-5, 5-5-5, three orders of 8-8-8.
    const std::array<uint32_t, 3> masks[] = {{0, 0, 0},
                                             {0xF800, 0x07E0, 0x001F},
                                             {0x7C00, 0x03E0, 0x001F},
                                             {0xFF0000, 0xFF00, 0xFF},
                                             {0xFF, 0xFF00, 0xFF0000},
                                             {0xFF00, 0xFF0000, 0xFF000000}};
    const struct Case {
        uint32_t size, bits, masks = 0, used = 0;  // masks: 0 for BI_RGB, else BI_BITFIELDS
    } cases[] = {{12, 1},     {12, 4},         {12, 8},     {12, 24},  {40, 1},        {40, 4},
                 {40, 8},     {40, 8, 0, 100}, {40, 16},    {40, 24},  {40, 24, 0, 2}, {40, 32},
                 {40, 16, 1}, {40, 32, 3},     {108, 4},    {108, 24}, {108, 16, 1},   {108, 32, 4},
                 {124, 8},    {124, 16, 2},    {124, 32, 5}};
    for (const Case& c : cases) {
        for (int32_t height : {7, c.size == 12 ? 7 : -7}) {  // core headers have no top-down
            SCOPED_TRACE(testing::Message() << "case " << &c - cases << ", height " << height);
            const uint32_t compression = c.masks ? 3 : 0, outSize = c.size == 12 ? 12 : 40;
            const std::array<uint32_t, 3>& m = masks[c.masks];
            Bytes file = fixtures::BmpFile(c.size, c.bits, height, compression, m, c.used),
                  want = fixtures::BmpFile(outSize, c.bits, height, compression, m,
                                           c.bits <= 8 ? c.used : 0),
                  dib;
            std::string reason;
            ASSERT_TRUE(BmpToPackedDib(file.data(), file.size(), &dib, &reason)) << reason;
            EXPECT_EQ(Bytes(want.begin() + 14, want.end()), dib);
            Bytes own = file;  // the rows turned into the DIB where they lie
            ASSERT_TRUE(BmpFileToPackedDib(&own, &reason)) << reason;
            EXPECT_EQ(dib, own);
        }
    }
}

// A splash picture that makes the installer large, or that a 1024 x 768 screen cuts, is built
// with a note that says so; inspect and header share the words.
TEST(AuthorsKit, ALargeOrCutSplashIsBuiltWithANote) {
    const struct {
        int width, height;
        const char* note;  // nullptr: none
    } cases[] = {
        {1008, 300, nullptr},
        {1009, 10, "larger than the 1008 x 768 pixels a 1024 x 768 screen has for it"},
        {10, 769, "larger than the 1008 x 768 pixels"},
        {590, 590, nullptr},
        {600, 600, "the picture adds 1080040 bytes to the installer"},
    };
    for (const auto& c : cases) {
        Bytes saver, installer, dib = fixtures::SplashDib(c.width, c.height);
        std::string reason;
        ASSERT_TRUE(AppendSaverDataHeader(fixtures::Program(3000, 0x90), dib, &saver, &reason));
        ASSERT_TRUE(BuildInstaller(Bytes(2048, 0x4D), saver, "kit.scr", &installer, &reason))
            << reason;
        const InstallerFacts facts = InspectInstaller(installer.data(), installer.size());
        const InstallerCheck& splash = facts.checks.back();
        EXPECT_TRUE(splash.failure.empty());
        EXPECT_EQ(splash.note.empty(), !c.note) << c.width << " x " << c.height;
        if (c.note)
            EXPECT_NE(splash.note.find(c.note), std::string::npos) << splash.note;
        EXPECT_EQ(SplashNote(dib.data(), dib.size()), splash.note);
    }
}
