#pragma once
// The installer's data header (its layout is drawn at the top of installer/package.h), appended
// to a finished screen saver: empty blocks X and Y, then the splash picture.

#include <stdint.h>

#include <string>
#include <vector>

// Appends the header and `splash` (a packed DIB; empty for none) to `saver`, into `out`. False
// with a reason when the saver already carries a data header or the result would not give the
// installer this picture back whole.
bool AppendSaverDataHeader(const std::vector<uint8_t>& saver, const std::vector<uint8_t>& splash,
                           std::vector<uint8_t>* out, std::string* reason);

// The same in place, for a caller that must not hold the screen saver twice: `file` holds the
// screen saver's `saverLength` bytes and room for kSplashAfterBlocks + splash.size() more.
bool WriteSaverDataHeader(uint8_t* file, size_t saverLength, const std::vector<uint8_t>& splash,
                          std::string* reason);
