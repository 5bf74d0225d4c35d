// Reads the .res file windres wrote: a sequence of entries, each a header
// (sizes, type, name, language) and the data, both aligned to four bytes.
#include <iconv.h>

#include <fstream>
#include <iterator>

#include "tests/dialog/CompiledResources.h"

namespace {

#ifdef LETTERGLASS_COMPILED_RES
const char kResFile[] = LETTERGLASS_COMPILED_RES;
#else
const char kResFile[] = "";
#endif

std::vector<unsigned char> ReadResFile() {
    std::ifstream in(kResFile, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

uint32_t Dword(const std::vector<unsigned char>& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16) |
           static_cast<uint32_t>(bytes[at + 3]) << 24;
}

uint16_t Word(const std::vector<unsigned char>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// The numeric type and name of an entry header; -1 for a named one.
int Ordinal(const std::vector<unsigned char>& bytes, size_t* at, size_t end) {
    if (*at + 4 <= end && Word(bytes, *at) == 0xFFFF) {
        const int value = Word(bytes, *at + 2);
        *at += 4;
        return value;
    }
    while (*at + 2 <= end && Word(bytes, *at) != 0)
        *at += 2;
    *at += 2;
    return -1;
}

}  // namespace

bool CompiledResourcesAvailable() {
    return !ReadResFile().empty();
}

bool LoadCompiledResource(int type, int id, std::vector<unsigned char>* bytes, uint16_t* language) {
    const std::vector<unsigned char> file = ReadResFile();
    size_t at = 0;
    while (at + 8 <= file.size()) {
        const size_t dataSize = Dword(file, at);
        const size_t headerSize = Dword(file, at + 4);
        const size_t headerEnd = at + headerSize;
        if (headerSize < 8 || headerEnd + dataSize > file.size()) return false;
        size_t field = at + 8;
        const int entryType = Ordinal(file, &field, headerEnd);
        const int entryName = Ordinal(file, &field, headerEnd);
        field = (field + 3) & ~static_cast<size_t>(3);
        if (entryType == type && entryName == id && field + 8 <= headerEnd) {
            *language = Word(file, field + 6);
            bytes->assign(file.begin() + static_cast<long>(headerEnd),
                          file.begin() + static_cast<long>(headerEnd + dataSize));
            return true;
        }
        at = (headerEnd + dataSize + 3) & ~static_cast<size_t>(3);
    }
    return false;
}

std::u16string Cp932ToUtf16(const std::string& text) {
    std::u16string wide;
    iconv_t converter = iconv_open("UTF-16LE", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) return wide;
    std::string out(text.size() * 2 + 2, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outPos = &out[0];
    size_t outLeft = out.size();
    if (iconv(converter, &in, &inLeft, &outPos, &outLeft) != static_cast<size_t>(-1)) {
        for (size_t i = 0; i + 1 < out.size() - outLeft; i += 2)
            wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(out[i]) |
                                                 static_cast<unsigned char>(out[i + 1]) << 8));
    }
    iconv_close(converter);
    return wide;
}
