// Feeds hostile installer files to the package reader and the splash guard. The input is used
// as it is, and also with both markers planted at positions taken from its first bytes, so the
// fuzzer reaches the data header without having to guess 46-byte markers.
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "installer/package.h"
#include "render/dib.h"

static volatile uint8_t g_sink;

// Touches every byte of a range the reader handed out, so AddressSanitizer sees any overrun.
static void Touch(const uint8_t* data, uint32_t length) {
    uint8_t sum = 0;
    for (uint32_t i = 0; i < length; ++i)
        sum ^= data[i];
    g_sink = sum;
}

static void ReadAsStartUpDoes(const uint8_t* file, uint32_t length) {
    PackageLayout layout;
    if (!LocatePackage(file, length, &layout))
        return;
    Touch(reinterpret_cast<const uint8_t*>(layout.saverName), strlen(layout.saverName) + 1);
    Touch(layout.saverImage, layout.saverImageLength);
    SplashLocation splash;
    if (!LocateSplashDib(layout.saverImage, layout.saverImageLength, &splash) || !splash.length)
        return;
    // Start-up copies the picture into a block of exactly its length before using it.
    std::vector<uint8_t> copy(layout.saverImage + splash.offset,
                              layout.saverImage + splash.offset + splash.length);
    if (IsSplashDibComplete(copy.data(), splash.length))
        g_sink = static_cast<uint8_t>(GetDibColorTableSize(copy.data()));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFF)
        return 0;
    ReadAsStartUpDoes(data, static_cast<uint32_t>(size));
    if (size < 4)
        return 0;

    char setup[kMarkerBufferSize], saver[kMarkerBufferSize];
    BuildSetupBoundary(setup);
    BuildSaverBoundary(saver);
    size_t setupAt = (data[0] | data[1] << 8) % (size - 3);  // 0 to the size of the body
    size_t saverAt = std::max(setupAt, (data[2] | data[3] << 8) % (size - 3));
    std::vector<uint8_t> file(data + 4, data + 4 + setupAt);
    file.insert(file.end(), setup, setup + kMarkerLength);
    file.insert(file.end(), data + 4 + setupAt, data + 4 + saverAt);
    file.insert(file.end(), saver, saver + kMarkerLength);
    file.insert(file.end(), data + 4 + saverAt, data + size);
    ReadAsStartUpDoes(file.data(), static_cast<uint32_t>(file.size()));
    return 0;
}
