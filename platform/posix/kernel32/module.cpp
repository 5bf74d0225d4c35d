#include <unistd.h>

#include <cassert>
#include <climits>
#include <string>

#include <winbase.h>

#include "platform/posix/cp932/cp932.h"

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
    const size_t copied = layer::CopyCut(ansi.data(), ansi.size(), buffer, size);
    return copied < ansi.size() ? size : static_cast<DWORD>(copied);
}

namespace {

// Where Windows loads a 32-bit program's image.
HINSTANCE const kModuleInstance = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x400000));

}  // namespace

// GetModuleHandleA (KERNEL32)
// The program's own module only.
HMODULE GetModuleHandleA(LPCSTR moduleName) {
    assert(!moduleName && "GetModuleHandleA: only the program's own module");
    return moduleName ? nullptr : kModuleInstance;
}
