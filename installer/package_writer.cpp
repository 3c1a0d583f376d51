// The package writer, for the authors' tool: kept apart from the reader so that setup.exe,
// which only reads, carries none of it.
#include "installer/package.h"

#include <string.h>

static uint32_t PaddingAfterStub(uint32_t stubLength, uint32_t saverLength) {
    return (8 - (uint64_t{stubLength} + kSaverImageOffset + saverLength) % 8) % 8;
}

uint64_t InstallerFileSize(uint32_t stubLength, uint32_t saverLength) {
    return uint64_t{stubLength} + PaddingAfterStub(stubLength, saverLength) + kSaverImageOffset +
           saverLength;
}

uint32_t InstallerHeadSize(uint32_t stubLength, uint32_t saverLength) {
    return stubLength + PaddingAfterStub(stubLength, saverLength) + kSaverImageOffset;
}

int WriteInstallerHead(const uint8_t* stub, uint32_t stubLength, uint32_t saverLength,
                       int headerFound, const SplashLocation* splash, const char* name,
                       uint8_t* output, const char** reason) {
    if (!IsSafeSaverName(name)) {
        *reason =
            "the name is empty, leaves the system folder (\"..\", \":\", leading \\ or /) "
            "or names a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9)";
        return 0;
    }
    if (strlen(name) > kMaxSaverNameLength) {
        *reason = "the name is too long to join to the system folder";
        return 0;
    }
    if (InstallerFileSize(stubLength, saverLength) > 0xFFFFFFFFu) {
        *reason = "the installer would reach 4 GiB";
        return 0;
    }
    if (!headerFound) {
        *reason = "the screen saver has no data header (its saver boundary marker is missing)";
        return 0;
    }
    if (!splash->complete) {
        *reason = "the screen saver's data header or splash picture reaches past its end";
        return 0;
    }
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint32_t padding = PaddingAfterStub(stubLength, saverLength);
    memcpy(output, stub, stubLength);
    memset(output + stubLength, 0, padding);
    uint8_t* package = output + stubLength + padding;
    memcpy(package, marker, kMarkerLength);
    uint8_t* field = package + kSaverNameFieldOffset;
    memset(field, 0, kSaverNameFieldLength);
    memcpy(field, name, strlen(name));
    return 1;
}
