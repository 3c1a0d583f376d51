#include "tools/core/saver_program.h"

#include <stdio.h>
#include <string.h>

#include "installer/saver_machine.h"
#include "support/little_endian.h"
#include "tools/core/texts.h"

uint16_t ReadSaverMachine(const ByteSource& file, uint64_t from, uint64_t length) {
    // The installer reads the whole image; here only its DOS header and the 6 bytes its last
    // field points at are read, and laid out again so that the same rule decides.
    uint8_t headers[0x40 + 6];
    if (length < 0x40 || !file.Read(from, 0x40, headers))
        return kMachineUnknown;
    uint32_t at = Read32(headers + 0x3C);
    if (uint64_t{at} + 6 > length || !file.Read(from + at, 6, headers + 0x40))
        return kMachineUnknown;
    const uint8_t here[4] = {0x40, 0, 0, 0};
    memcpy(headers + 0x3C, here, 4);
    return ReadProgramMachine(headers, sizeof headers);
}

bool IsMachineWindowsRuns(uint16_t machine) {
    return machine == kMachineX86 || machine == kMachineX64 || machine == kMachineArm64;
}

std::string MachineName(uint16_t machine) {
    switch (machine) {
        case kMachineUnknown:
            return "";
        case kMachineX86:
            return "x86";
        case kMachineX64:
            return "x64";
        case kMachineArm64:
            return "ARM64";
    }
    char hex[8];
    snprintf(hex, sizeof hex, "0x%04X", machine);
    return hex;
}

std::string MachineAndPlace(uint16_t machine) {
    switch (machine) {
        case kMachineUnknown:
            return Say(Text::kMachineNone);
        case kMachineX86:
            return Say(Text::kMachineX86Place);
        case kMachineX64:
            return Say(Text::kMachineX64Place);
        case kMachineArm64:
            return Say(Text::kMachineArm64Place);
    }
    return Say(Text::kMachineNoWindows, {MachineName(machine)});
}
