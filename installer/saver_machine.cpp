#include "installer/saver_machine.h"

#include "support/little_endian.h"

uint16_t ReadProgramMachine(const uint8_t* image, uint32_t length) {
    if (length < 0x40 || image[0] != 'M' || image[1] != 'Z')
        return kMachineUnknown;
    uint32_t header = Read32(image + 0x3C);
    if (header > length - 6 || image[header] != 'P' || image[header + 1] != 'E' ||
        image[header + 2] != 0 || image[header + 3] != 0)
        return kMachineUnknown;
    return static_cast<uint16_t>(Read16(image + header + 4));
}

SaverPlace ChooseSaverPlace(uint16_t saver, uint16_t native, bool runsX64) {
    if (saver == kMachineUnknown || saver == kMachineX86)
        return kPlaceThirtyTwoBit;
    if (native != kMachineX86 &&
        (saver == native || (saver == kMachineX64 && native == kMachineArm64 && runsX64)))
        return kPlaceNative;
    return kPlaceNowhere;
}
