#include "platform/posix/iconv_text.h"

#include <cerrno>

namespace layer {

std::string ConvertText(iconv_t converter, const char* text, std::size_t length,
                        StuckHandler onStuck) {
    std::string out;
    if (converter == reinterpret_cast<iconv_t>(-1)) return out;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text);
    std::size_t inLeft = length;
    char buffer[256];
    while (inLeft > 0) {
        char* outPos = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter, &in, &inLeft, &outPos, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPos - buffer));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        std::size_t skip = onStuck(in, inLeft, errno, out);
        if (skip == 0 || skip > inLeft) break;
        in += skip;
        inLeft -= skip;
    }
    return out;
}

}  // namespace layer
