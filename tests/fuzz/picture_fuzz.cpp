// Feeds hostile BMP files to the authors' tool's picture conversion: either the input as a
// whole file, or a run-length stream inside a well-formed header, whose size and depth the
// first bytes choose, so the fuzzer spends its time in the expansion. Whatever is accepted
// must pass the installer's splash guard. A PNG, the input its rows or its zlib stream, must
// decode row by row to what the decoder gives for the whole picture, or be refused by both; a
// JPEG that is taken, band by band to what the decoder gives for the whole picture.
#include <stdint.h>
#include <stdlib.h>

#include "render/dib.h"
#include "tests/fixtures/picture_files.h"
#include "tools/core/bmp.h"
#include "tools/core/picture_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 4096)
        return 0;
    fixtures::Bytes file(data + 3, data + size), dib;
    if (data[0] % 8 == 5) {  // a JPEG, decoded in bands through the decoder's callbacks
        fixtures::Bytes whole;
        std::string reason;
        if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 &&
            DecodePngOrJpeg(file.data(), file.size(), &dib, &reason,
                            data[1] % 2 ? 1 : kJpegBandBytes) &&
            (!DecodeWholePicture(file.data(), file.size(), &whole, &reason) || dib != whole))
            abort();
        return 0;
    }
    if (data[0] % 8 == 4) {
        static const uint8_t kinds[][2] = {{0, 1}, {0, 2},  {0, 4}, {0, 8}, {0, 16},
                                           {2, 8}, {2, 16}, {3, 1}, {3, 4}, {3, 8},
                                           {4, 8}, {4, 16}, {6, 8}, {6, 16}};
        const uint8_t* kind = kinds[data[1] % 14];
        static const fixtures::Bytes palette = [] {
            fixtures::Bytes entries;
            for (int i = 0; i < 256; ++i)
                entries.insert(entries.end(), {uint8_t(i), uint8_t(i * 3), uint8_t(~i)});
            return entries;
        }();
        fixtures::Bytes key;
        if (data[0] & 0x40)
            key = kind[0] == 3   ? fixtures::Bytes{0, 99, 200}
                  : kind[0] == 2 ? fixtures::Bytes{0, 0, 0, 7, 0, 255}
                                 : fixtures::Bytes{0, 7};
        const fixtures::Bytes png =
            fixtures::PngAround(data[2] % 40 + 1, data[1] / 14 % 16 + 1, kind[1], kind[0],
                                data[0] >> 7, data[0] & 0x20 ? file : fixtures::StoredZlib(file),
                                kind[0] == 3 ? palette : fixtures::Bytes{}, key, data[2] / 40 + 1);
        fixtures::Bytes whole;
        std::string reason;
        const bool rows = DecodePngOrJpeg(png.data(), png.size(), &dib, &reason);
        if (rows != DecodeWholePicture(png.data(), png.size(), &whole, &reason) ||
            (rows && dib != whole))
            abort();
        return 0;
    }
    if (data[0] % 4 != 0)
        file = fixtures::RleBmp(data[0] % 2 ? 8 : 4, data[1] % 40 + 1, data[2] % 20 + 1, file,
                                data[0] & 0x80 ? data[1] : -1);
    std::string reason;
    const bool taken = BmpToPackedDib(file.data(), file.size(), &dib, &reason);
    if (taken && !IsSplashDibComplete(dib.data(), static_cast<uint32_t>(dib.size())))
        abort();
    // Made in the file's own bytes, the DIB is the same.
    if (BmpFileToPackedDib(&file, &reason) != taken || (taken && file != dib))
        abort();
    return 0;
}
