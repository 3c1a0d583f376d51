// Feeds hostile BMP files to the authors' tool's picture conversion: either the input as a
// whole file, or a run-length stream inside a well-formed header, whose size and depth the
// first bytes choose, so the fuzzer spends its time in the expansion. Whatever is accepted
// must pass the installer's splash guard.
#include <stdint.h>
#include <stdlib.h>

#include "render/dib.h"
#include "tests/fixtures/picture_files.h"
#include "tools/core/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 4096)
        return 0;
    fixtures::Bytes file(data + 3, data + size), dib;
    if (data[0] % 4 != 0)
        file = fixtures::RleBmp(data[0] % 2 ? 8 : 4, data[1] % 40 + 1, data[2] % 20 + 1, file,
                                data[0] & 0x80 ? data[1] : -1);
    std::string reason;
    if (BmpToPackedDib(file.data(), file.size(), &dib, &reason) &&
        !IsSplashDibComplete(dib.data(), static_cast<uint32_t>(dib.size())))
        abort();
    return 0;
}
