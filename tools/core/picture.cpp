#include "tools/core/picture.h"

#include <string.h>

#include "render/dib.h"
#include "tools/core/bmp.h"
#include "tools/core/byte_source.h"
#include "tools/core/exif.h"
#include "tools/core/picture_decode.h"
#include "tools/core/texts.h"

namespace {

void Put32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool StartsWith(const uint8_t* file, size_t length, const char* signature, size_t size) {
    return length >= size && memcmp(file, signature, size) == 0;
}

// A decoded picture the installer's splash guard takes.
bool IsDrawable(const std::vector<uint8_t>& dib, std::string* reason) {
    if (IsSplashDibComplete(dib.data(), static_cast<uint32_t>(dib.size())))
        return true;
    *reason = Say(Text::kSplashUnfit);
    return false;
}

}  // namespace

bool IsPictureSizeTaken(uint64_t width, uint64_t height, std::string* reason) {
    if (width <= kMaxPictureSide && height <= kMaxPictureSide)
        return true;
    *reason = Say(Text::kPictureTooLarge,
                  {std::to_string(width), std::to_string(height), std::to_string(kMaxPictureSide)});
    return false;
}

bool IsPictureFileSizeTaken(uint64_t size, std::string* reason) {
    if (size <= kMaxPictureFileSize)
        return true;
    *reason =
        Say(Text::kPictureFileTooLarge, {std::to_string(size), std::to_string(kMaxPictureSide),
                                         std::to_string(kMaxPictureFileSize)});
    return false;
}

size_t StartPackedDib(uint32_t width, uint32_t height, std::vector<uint8_t>* dib) {
    const size_t stride = (size_t{width} * 24 + 31) / 32 * 4;
    dib->assign(kInfoHeaderSize + stride * height, 0);
    uint8_t* header = dib->data();
    Put32(header, kInfoHeaderSize);
    Put32(header + 4, width);
    Put32(header + 8, height);
    Put32(header + 12, 1 | 24 << 16);  // one plane, 24 bits
    Put32(header + 20, static_cast<uint32_t>(stride * height));
    return stride;
}

void RgbaToPackedDib(const uint8_t* rgba, uint32_t width, uint32_t height,
                     std::vector<uint8_t>* dib, int orientation) {
    const bool quarter = TurnsAQuarter(orientation);
    const uint32_t shownWidth = quarter ? height : width, shownHeight = quarter ? width : height;
    const size_t stride = StartPackedDib(shownWidth, shownHeight, dib);
    for (uint32_t y = 0; y < shownHeight; ++y) {
        uint8_t* out = dib->data() + kInfoHeaderSize + (shownHeight - 1 - y) * stride;
        for (uint32_t x = 0; x < shownWidth; ++x, out += 3) {
            uint32_t storedX = x, storedY = y;
            if (orientation != 1)
                StoredPixelOf(orientation, width, height, x, y, &storedX, &storedY);
            PutDibPixel(out, rgba + (size_t{storedY} * width + storedX) * 4);
        }
    }
}

bool PictureToPackedDib(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                        std::string* reason) {
    if (!IsPictureFileSizeTaken(length, reason))
        return false;
    if (StartsWith(file, length, "BM", 2))
        return BmpToPackedDib(file, length, dib, reason);
    if (!StartsWith(file, length, "\x89PNG\r\n\x1a\n", 8) &&
        !StartsWith(file, length, "\xFF\xD8\xFF", 3)) {
        *reason = Say(Text::kNotAPicture);
        return false;
    }
    return DecodePngOrJpeg(file, length, dib, reason) && IsDrawable(*dib, reason);
}

bool PictureSourceToPackedDib(const ByteSource& file, std::vector<uint8_t>* dib,
                              std::string* reason) {
    if (!IsPictureFileSizeTaken(file.Size(), reason))
        return false;
    uint8_t start[8];
    if (file.Size() >= sizeof start && file.Read(0, sizeof start, start) &&
        StartsWith(start, sizeof start, "\x89PNG\r\n\x1a\n", 8))
        return DecodePngFrom(file, dib, reason) && IsDrawable(*dib, reason);
    std::vector<uint8_t> bytes;
    if (!ReadRange(file, 0, file.Size(), &bytes)) {
        *reason = Say(Text::kFileChanged);  // the source may know better
        return false;
    }
    if (StartsWith(bytes.data(), bytes.size(), "\xFF\xD8\xFF", 3))
        return DecodeJpegFrom(file, &bytes, dib, reason) && IsDrawable(*dib, reason);
    if (!StartsWith(bytes.data(), bytes.size(), "BM", 2))
        return PictureToPackedDib(bytes.data(), bytes.size(), dib, reason);
    // A BMP is mostly rows: they become the DIB where they were read, not held twice.
    if (!BmpFileToPackedDib(&bytes, reason))
        return false;
    dib->swap(bytes);
    return true;
}
