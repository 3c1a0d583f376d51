#pragma once
// Which system folder a screen saver goes into, by the machine its program is built for.
// Windows starts a screen saver by its registered path, and a 64-bit program started from the
// 32-bit system folder loads the 32-bit DLLs it finds beside it and fails at every activation.

#include <stdint.h>

enum : uint16_t {
    kMachineUnknown = 0,
    kMachineX86 = 0x014C,
    kMachineX64 = 0x8664,
    kMachineArm64 = 0xAA64,
};

// The machine field of a Windows program's header; kMachineUnknown when the bytes are no
// Windows program.
uint16_t ReadProgramMachine(const uint8_t* image, uint32_t length);

enum SaverPlace {
    kPlaceThirtyTwoBit,  // the folder of 32-bit programs: SysWOW64, or System32 where it is 32-bit
    kPlaceNative,        // the system's own System32, past the 32-bit view of it
    kPlaceNowhere,       // this Windows cannot run it
};

// Where a screen saver built for `saver` goes on a Windows whose own machine is `native`;
// `runsX64` tells whether an ARM64 Windows runs x64 programs. What is no Windows program goes
// where 32-bit programs go, as it always did.
SaverPlace ChooseSaverPlace(uint16_t saver, uint16_t native, bool runsX64);
