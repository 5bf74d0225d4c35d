#include <mbstring.h>

// _mbcjistojms (C runtime, multibyte code page 932)
unsigned int _mbcjistojms(unsigned int code) {
    unsigned int hi = (code >> 8) & 0xFF;
    unsigned int lo = code & 0xFF;
    if (code > 0xFFFF || hi < 0x21 || hi > 0x7E || lo < 0x21 || lo > 0x7E) return 0;
    if (hi & 1)
        lo += (lo <= 0x5F) ? 0x1F : 0x20;
    else
        lo += 0x7E;
    hi = (hi - 0x21) / 2 + 0x81;
    if (hi > 0x9F) hi += 0x40;
    return (hi << 8) | lo;
}
