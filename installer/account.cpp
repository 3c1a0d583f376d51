#include "installer/account.h"

#include <string.h>

uint32_t GetSidLength(const uint8_t* sid) {
    if (!sid || sid[0] != 1 || sid[1] > 15)
        return 0;
    return 8 + 4u * sid[1];
}

bool IsDesktopAccount(const uint8_t* processSid, const uint8_t* desktopSid, uint32_t sessionId) {
    uint32_t length = GetSidLength(processSid);
    return sessionId != 0 && length && length == GetSidLength(desktopSid) &&
           memcmp(processSid, desktopSid, length) == 0;
}
