#include <unistd.h>

#include <cassert>
#include <climits>
#include <string>

#include "platform/posix/dialog_session.h"
#include "platform/posix/win_dialog.h"

// GetModuleFileNameA (KERNEL32)
// The path is the file system's UTF-8 turned into code page 932, as Windows'
// ANSI calls hand out paths; a character outside the code page becomes '?'.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    assert(!module && "GetModuleFileNameA: only the program itself is provided");
    if (module || !buffer || size == 0) return 0;
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return 0;
    const std::string ansi = layer::Utf8ToCp932(std::string(path, static_cast<size_t>(length)));
    const int copied =
        layer::CopyCp932(ansi, buffer, static_cast<int>(size > INT_MAX ? INT_MAX : size));
    return static_cast<size_t>(copied) < ansi.size() ? size : static_cast<DWORD>(copied);
}

// IsDBCSLeadByte (KERNEL32), for code page 932, the layer's ANSI code page.
BOOL IsDBCSLeadByte(BYTE byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
