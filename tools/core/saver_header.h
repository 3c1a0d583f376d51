#pragma once
// The installer's data header (its layout is drawn at the top of installer/package.h), appended
// to a finished screen saver: empty blocks X and Y, then the splash picture.

#include <stdint.h>

#include <string>
#include <vector>

#include "tools/core/byte_source.h"

// Appends the header and `splash` (a packed DIB; empty for none) to `saver`, into `out`. False
// with a reason when the saver already carries a data header or the result would not give the
// installer this picture back whole.
bool AppendSaverDataHeader(const std::vector<uint8_t>& saver, const std::vector<uint8_t>& splash,
                           std::vector<uint8_t>* out, std::string* reason);

// The same without holding the screen saver: the bytes that go after it, into `tail`.
bool MakeSaverDataHeader(const ByteSource& saver, const std::vector<uint8_t>& splash,
                         std::vector<uint8_t>* tail, std::string* reason);

// The same but for the splash itself, which follows `blocks` in the file as it is: a writer
// that writes it from `splash` holds no second copy of a picture of up to 192 MiB.
bool MakeSaverDataBlocks(const ByteSource& saver, const std::vector<uint8_t>& splash,
                         std::vector<uint8_t>* blocks, std::string* reason);
