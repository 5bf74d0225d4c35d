// The one iconv loop of the layer, shared by the code page 932 module and
// KERNEL32's code page conversions: each supplies what stands in for the bytes
// iconv cannot convert and where the converted bytes go.
#pragma once

#include <iconv.h>

#include <cerrno>
#include <cstddef>

namespace layer {

// Converts length bytes of text (the converter is reset first), handing the
// converted bytes to put(bytes, count) a chunk at a time. Where iconv cannot
// go on (no character starts at `at`, or the text ends inside one),
// onStuck(at, left) puts what stands in for those bytes and returns how many
// to skip; 0 ends the run. False when the converter is not open or a handler
// ended the run.
template <typename Put, typename Stuck>
bool RunIconv(iconv_t converter, const char* text, std::size_t length, Put put, Stuck onStuck) {
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text);
    std::size_t inLeft = length;
    while (inLeft > 0) {
        char chunk[256];
        char* out = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        put(chunk, static_cast<std::size_t>(out - chunk));
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) continue;
        const std::size_t skip = onStuck(in, inLeft);
        if (skip == 0 || skip > inLeft) return false;
        in += skip;
        inLeft -= skip;
    }
    return true;
}

}  // namespace layer
