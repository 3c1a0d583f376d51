#pragma once
// Damage the decoder would not notice: it draws a PNG whose chunks fail their checksums, and
// a JPEG without quantisation tables as flat grey, where an author wants a reason.

#include <stddef.h>
#include <stdint.h>

#include <string>

// False with a reason when the PNG or JPEG file is damaged in such a way.
bool IsPictureUndamaged(const uint8_t* file, size_t length, std::string* reason);
