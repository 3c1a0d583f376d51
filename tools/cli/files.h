#pragma once
// Files in and out for the authors' tool: small ones whole, a screen saver or an installer a
// range at a time, so that a file of any size the installer takes is never held in memory.

#include <stdint.h>
#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "tools/core/byte_source.h"

// False with the system's reason when the file cannot be read whole.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* reason);

// An open file read where the kit looks.
class FileSource : public ByteSource {
public:
    FileSource() = default;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    ~FileSource() override;
    // False with the system's reason when the file cannot be opened.
    bool Open(const std::string& path, std::string* reason);
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override;
    // Why the last Read failed, in the author's language.
    const std::string& Failure() const { return failure_; }
    const std::string& Path() const { return path_; }
    void Close();

private:
    FILE* file_ = nullptr;
    std::string path_;
    mutable std::string failure_;
    uint64_t size_ = 0;
    mutable uint64_t at_ = 0;  // where the next read starts without a seek
};

// Streams the whole of `file` (at `path`) once through `scan`, with progress at a terminal, so
// that the checks' searches are answered without reading it again. False with the reason.
bool ScanFile(const std::string& path, const FileSource& file, ScannedSource* scan,
              std::string* reason);

bool FileExists(const std::string& path);

// The size of an existing file, 0 when it cannot be read.
uint64_t FileSizeOf(const std::string& path);

// True when both paths name one existing file, however they are spelt (another folder path,
// another case, a short name, a hard link): the device and file number decide, not the text.
bool IsSameFile(const std::string& a, const std::string& b);

// Copies `bytes`, which come from memory and from `input`, in pieces to a temporary file beside
// `path` and renames it into place, replacing an existing file; on any failure, an exception
// included, the temporary file is removed and `path` is left as it was. `input` is closed
// before the rename: Windows replaces no file that is open, and `path` may be `input`'s own.
bool WriteFileAtomically(const std::string& path, const ByteSource& bytes, FileSource& input,
                         std::string* reason);

// Gives what goes before and after the input's bytes once they have all passed the scan, or
// refuses, having said why.
using Finish = std::function<bool(std::vector<uint8_t>* head, std::vector<uint8_t>* tail)>;

// The same for a file made around the whole of `input`: its bytes are read once, given to
// `scan` and copied as they pass, so that `finish` finds the scan done; the head it gives
// (`headSize` bytes) then goes into the room left before them, the tail after them, then
// `last` when given: `tailSize` bytes in all. False with the reason, or with an empty one when
// `finish` refused.
bool WriteAroundFile(const std::string& path, FileSource& input, ScannedSource* scan,
                     uint64_t headSize, uint64_t tailSize, const Finish& finish,
                     std::string* reason, const std::vector<uint8_t>* last = nullptr);
