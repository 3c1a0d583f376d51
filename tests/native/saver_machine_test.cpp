#include <gtest/gtest.h>

#include <vector>

#include "installer/saver_machine.h"
#include "tests/fixtures/synthetic_saver.h"
#include "tools/core/inspect.h"
#include "tools/core/saver_header.h"

namespace {

std::vector<uint8_t> Program(uint16_t machine, uint32_t headerAt = 0x80, size_t size = 0x200) {
    return fixtures::Program(size, 0, machine, headerAt);
}

TEST(SaverMachine, ReadFromTheProgramsHeaderOnlyWhenItIsOne) {
    auto noMz = Program(kMachineX64);
    noMz[0] = 'Z';
    auto cut = Program(kMachineX64, 0x30);
    cut.resize(0x3F);  // ends inside the DOS header
    auto noPe = Program(kMachineX64);
    noPe[0x81] = 'X';
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        uint16_t machine;
    } cases[] = {
        {"x86", Program(kMachineX86), kMachineX86},
        {"x64", Program(kMachineX64), kMachineX64},
        {"ARM64", Program(kMachineArm64), kMachineArm64},
        {"header at the last place it fits", Program(kMachineX64, 0x200 - 6), kMachineX64},
        {"header past the end", Program(kMachineX64, 0x200 - 5), kMachineUnknown},
        {"header far past the end", Program(kMachineX64, 0xFFFFFFFC), kMachineUnknown},
        {"no MZ", noMz, kMachineUnknown},
        {"no PE signature", noPe, kMachineUnknown},
        {"shorter than a DOS header", cut, kMachineUnknown},
        {"text", std::vector<uint8_t>(0x200, 'a'), kMachineUnknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadProgramMachine(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())),
                  c.machine)
            << c.name;
}

TEST(SaverMachine, GoesWhereThisWindowsRunsIt) {
    const uint16_t kArm = 0x01C4, kItanium = 0x0200;
    const struct {
        uint16_t saver, native;
        bool runsX64;
        SaverPlace place;
    } cases[] = {
        {kMachineX86, kMachineX86, false, kPlaceThirtyTwoBit},
        {kMachineX86, kMachineX64, false, kPlaceThirtyTwoBit},
        {kMachineX86, kMachineArm64, false, kPlaceThirtyTwoBit},
        {kMachineUnknown, kMachineX64, false, kPlaceThirtyTwoBit},
        {kMachineX64, kMachineX64, false, kPlaceNative},
        {kMachineX64, kMachineX86, false, kPlaceNowhere},
        {kMachineX64, kMachineArm64, true, kPlaceNative},
        {kMachineX64, kMachineArm64, false, kPlaceNowhere},
        {kMachineArm64, kMachineArm64, false, kPlaceNative},
        {kMachineArm64, kMachineX64, true, kPlaceNowhere},
        {kMachineArm64, kMachineX86, false, kPlaceNowhere},
        {kArm, kMachineArm64, true, kPlaceNowhere},
        {kItanium, kMachineX64, false, kPlaceNowhere},
        {kMachineX86, kMachineX86, true, kPlaceThirtyTwoBit},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseSaverPlace(c.saver, c.native, c.runsX64), c.place)
            << std::hex << c.saver << " on " << c.native << (c.runsX64 ? " with x64" : "");
}

// The kit builds an installer only for a program some Windows runs, and inspect says where it
// goes; an installer already built still installs a file that is no program, as it always did.
TEST(SaverMachine, TheKitTellsWhereItGoesAndBuildsOnlyWhatSomeWindowsRuns) {
    const struct {
        const char* what;
        std::vector<uint8_t> program;
        const char *place, *refusal;
        bool installs;
    } cases[] = {
        {"x86", fixtures::Program(0x200, 0x90), "x86 (32-bit): into SysWOW64", nullptr, true},
        {"x64", fixtures::Program(0x200, 0x90, kMachineX64),
         "x64 (64-bit): into System32 on x64 Windows and on ARM64", nullptr, true},
        {"ARM64", fixtures::Program(0x200, 0x90, kMachineArm64),
         "ARM64: into System32 on ARM64 Windows;", nullptr, true},
        {"ARM32", fixtures::Program(0x200, 0x90, 0x01C4), "0x01C4: no Windows runs",
         "0x01C4: no Windows runs", false},
        {"text", std::vector<uint8_t>(0x200, 'a'), "none: no Windows program",
         "this file is no Windows program", true},
        {"empty", {}, "none: no Windows program", "this file is no Windows program", true},
    };
    const std::vector<uint8_t> stub(4096, 0x4D);
    for (const auto& c : cases) {
        std::vector<uint8_t> saver, installer;
        std::string reason;
        ASSERT_TRUE(AppendSaverDataHeader(c.program, {}, &saver, &reason)) << c.what;
        EXPECT_EQ(BuildInstaller(stub, saver, "a.scr", &installer, &reason), !c.refusal) << c.what;
        if (c.refusal)
            EXPECT_NE(reason.find(c.refusal), std::string::npos) << c.what << ": " << reason;
        installer = fixtures::RawInstaller(stub, fixtures::NameField("a.scr"), saver);
        InstallerFacts facts = InspectInstaller(installer.data(), installer.size());
        std::string text = FormatInspectText(facts);
        size_t line = text.find("\nmachine:");
        std::string machineLine = text.substr(line, text.find('\n', line + 1) - line);
        EXPECT_NE(machineLine.find(c.place), std::string::npos) << c.what << ": " << text;
        EXPECT_EQ(facts.installs, c.installs) << c.what;
    }
}

}  // namespace
