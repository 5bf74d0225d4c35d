#include <winbase.h>

#include "platform/posix/cp932/cp932.h"

// GetACP (KERNEL32)
UINT GetACP() {
    return 932;
}

// IsDBCSLeadByte (KERNEL32), for code page 932, the layer's ANSI code page.
BOOL IsDBCSLeadByte(BYTE byte) {
    return layer::IsLeadByte(byte) ? TRUE : FALSE;
}
