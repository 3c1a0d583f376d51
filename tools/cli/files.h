#pragma once
// Whole files in and out for the authors' tool.

#include <stdint.h>

#include <string>
#include <vector>

// False with the system's reason when the file cannot be read whole.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* reason);

bool FileExists(const std::string& path);

// The size of an existing file, 0 when it cannot be read.
uint64_t FileSizeOf(const std::string& path);

// True when both paths name one existing file, however they are spelt (another folder path,
// another case, a short name, a hard link): the device and file number decide, not the text.
bool IsSameFile(const std::string& a, const std::string& b);

// Writes a temporary file beside `path` and renames it into place, replacing an existing file;
// on any failure the temporary file is removed and `path` is left as it was.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* reason);
