#pragma once
// Damage the decoder would not notice or would name in its own words: it draws a PNG whose
// chunks fail their checksums, a JPEG cut short or one without quantisation tables, where an
// author wants a reason.

#include <stddef.h>
#include <stdint.h>

#include <string>

// False with a reason when the PNG or JPEG file is cut short or damaged in such a way.
bool IsPictureUndamaged(const uint8_t* file, size_t length, std::string* reason);

class ByteSource;
// The PNG's chunks each match their checksum, up to an end chunk; false with a reason.
bool PngChecksumsHold(const ByteSource& file, std::string* reason);
