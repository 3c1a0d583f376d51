#pragma once
// The program inside a screen saver, as the kit tells an author of it: the machine it is built
// for, read by the installer's own rule, and where the installer puts it.

#include <stdint.h>

#include <string>

#include "tools/core/byte_source.h"

// The machine field of the program in [from, from + length); 0 when it is no Windows program.
uint16_t ReadSaverMachine(const ByteSource& file, uint64_t from, uint64_t length);

// Whether any Windows the installer runs on takes a screen saver built for `machine`.
bool IsMachineWindowsRuns(uint16_t machine);

// "x86", "x64", "ARM64", or the field in hex; empty for no program.
std::string MachineName(uint16_t machine);

// The machine and the system folder the installer writes it into, in the chosen language.
std::string MachineAndPlace(uint16_t machine);
