#include "support/path.h"

// Code page 932 (Shift-JIS), the code page of every narrow text of the program, whatever the
// system's: a package name split by the system's own rule would break at a trail byte of 0x5C.
int IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
