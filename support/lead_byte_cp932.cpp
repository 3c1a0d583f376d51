#include "support/path.h"

// Code page 932 (Shift-JIS): the native build's stand-in for IsDBCSLeadByte.
int IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
