#include "tools/core/picture_decode.h"

#include <limits.h>

#include <new>

#include "tools/core/picture.h"
#include "tools/core/texts.h"

// Only the two formats, from memory, on the same plain C code on every build: no SIMD, whose
// presence differs between the 64-bit and the 32-bit tool, so both give the same pixels.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
// Only a backstop: above our own limit, so that ours, and its reason, comes first.
#define STBI_MAX_DIMENSIONS (2 * kMaxPictureSide)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "tools/core/exif.h"
#include "tools/core/picture_damage.h"

// The decoder's short words for what went wrong, said as an author would understand it. A
// file cut short was told before decoding.
static std::string DecoderFailure(const char* kind, const char* failure) {
    static const char* const kUnread[] = {"1/2/4/8/16-bit only", "only 8-bit",
                                          "no header height",    "bad interlace method",
                                          "bad comp method",     "bad filter method"};
    std::string said = failure ? failure : "";
    for (const char* word : kUnread)
        if (said == word)
            return Say(Text::kPictureKindUnread, {kind});
    if (said == "outofmem" || said == "too large")
        return Say(Text::kPictureOutOfMemory);
    return Say(Text::kPictureDataDamaged, {kind});
}

bool DecodePngOrJpeg(const uint8_t* file, size_t length, std::vector<uint8_t>* dib,
                     std::string* reason) {
    static_assert(kMaxPictureFileSize <= INT_MAX, "the decoder counts bytes in an int");
    if (!IsPictureUndamaged(file, length, reason))
        return false;
    int len = static_cast<int>(length), w, h, channels;
    // The size first, so a huge picture is refused by the same rule as a huge BMP before any
    // pixel is decoded.
    if (stbi_info_from_memory(file, len, &w, &h, &channels) &&
        !IsPictureSizeTaken(static_cast<uint32_t>(w), static_cast<uint32_t>(h), reason))
        return false;
    stbi_uc* pixels = stbi_load_from_memory(file, len, &w, &h, &channels, 4);
    if (!pixels) {
        *reason = DecoderFailure(file[0] == 0x89 ? "PNG" : "JPEG", stbi_failure_reason());
        return false;
    }
    // Straight from the decoder's buffer: a copy would double the largest block of memory.
    bool converted = true;
#if __cpp_exceptions
    try {
        RgbaToPackedDib(pixels, static_cast<uint32_t>(w), static_cast<uint32_t>(h), dib,
                        ReadJpegOrientation(file, length));
    } catch (const std::bad_alloc&) {
        *reason = Say(Text::kPictureOutOfMemory);
        converted = false;
    }
#else
    // The page's WebAssembly build has no exceptions: there a failed allocation stops the
    // module, and the page reports it.
    RgbaToPackedDib(pixels, static_cast<uint32_t>(w), static_cast<uint32_t>(h), dib,
                    ReadJpegOrientation(file, length));
#endif
    stbi_image_free(pixels);
    return converted;
}
