#pragma once
// A file as the kit reads it: a range at a time, so that a screen saver of hundreds of MiB can
// be checked without being held. The command-line tool reads its files through an open handle,
// the page through the browser, both as the checks ask for it; an installer is written as
// parts (JoinedSource) around the author's file.

#include <stddef.h>
#include <stdint.h>

#include <utility>
#include <vector>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // [offset, offset + length), which lies inside the source, into `out`. False when the
    // bytes could not be read.
    virtual bool Read(uint64_t offset, size_t length, uint8_t* out) const = 0;
    // The first place of a 46-byte package marker in [from, to). A source may answer from
    // memory or remember what it found; this one reads windows of a few MiB.
    virtual bool FindMarker(uint64_t from, uint64_t to, const char* marker, uint64_t* at) const;
};

// The first places of several 46-byte markers in bytes given front to back, in pieces of any
// size, so that a file can be searched as it streams past.
class MarkerScan {
public:
    MarkerScan(const char* const* markers, int count) : markers_(markers, markers + count) {}
    void Feed(const uint8_t* piece, size_t length);
    // Whether marker i was found in what was fed so far, and where.
    bool Found(int i, uint64_t* at) const;
    bool AllFound() const { return found_.size() == markers_.size(); }
    uint64_t Fed() const { return fed_; }

private:
    std::vector<const char*> markers_;
    std::vector<std::pair<int, uint64_t>> found_;
    uint64_t fed_ = 0;
    // The last bytes fed, fewer than a marker's length, and room for as many again: a stream
    // fed in small pieces costs no allocation a piece.
    uint8_t carry_[2 * 45];
    size_t carried_ = 0;
};

// Reads [from, to) a window at a time and gives the first place of each of `count` markers:
// found[i] and at[i].
bool FindMarkersIn(const ByteSource& source, uint64_t from, uint64_t to, const char* const* markers,
                   int count, bool* found, uint64_t* at);

// The range as a vector; false when it lies outside the source or could not be read.
bool ReadRange(const ByteSource& source, uint64_t offset, uint64_t length,
               std::vector<uint8_t>* out);

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t length) : data_(data), length_(length) {}
    explicit MemorySource(const std::vector<uint8_t>& bytes)
        : MemorySource(bytes.data(), bytes.size()) {}
    uint64_t Size() const override { return length_; }
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override;
    bool FindMarker(uint64_t from, uint64_t to, const char* marker, uint64_t* at) const override;

private:
    const uint8_t* data_;
    size_t length_;
};

// Sources one after another, as one file.
class JoinedSource : public ByteSource {
public:
    explicit JoinedSource(std::vector<const ByteSource*> parts) : parts_(std::move(parts)) {}
    uint64_t Size() const override;
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override;
    // Each part searches itself; only the seams between them are read here.
    bool FindMarker(uint64_t from, uint64_t to, const char* marker, uint64_t* at) const override;

private:
    std::vector<const ByteSource*> parts_;
};

// [offset, offset + length) of another source, which holds it, as one file.
class RangeSource : public ByteSource {
public:
    RangeSource(const ByteSource& file, uint64_t offset, uint64_t length)
        : file_(&file), offset_(offset), length_(length) {}
    uint64_t Size() const override { return length_; }
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override {
        return file_->Read(offset_ + offset, length, out);
    }

private:
    const ByteSource* file_;
    uint64_t offset_, length_;
};

// A file streamed once, front to back, through a MarkerScan for the package's two markers: the
// checks' searches are answered from what it found, and only the ranges they look at are read
// again. What the stream left out is scanned on the first search.
class ScannedSource : public ByteSource {
public:
    explicit ScannedSource(const ByteSource& file);
    uint64_t Size() const override { return file_->Size(); }
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override {
        return file_->Read(offset, length, out);
    }
    // The next piece; false once both markers have been found or the whole file was given.
    bool Feed(const uint8_t* piece, size_t length);
    bool FindMarker(uint64_t from, uint64_t to, const char* marker, uint64_t* at) const override;

private:
    bool ScanAll() const;

    const ByteSource* file_;
    mutable MarkerScan scan_;
};
