#include <windows.h>

#include "tests/dialog/CompiledResources.h"

namespace {

BOOL CALLBACK FirstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

}  // namespace

bool CompiledResourcesAvailable() {
    return true;
}

bool LoadCompiledResource(int type, int id, std::vector<unsigned char>* bytes, uint16_t* language) {
    WORD found = 0xFFFF;
    EnumResourceLanguagesA(nullptr, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(id), FirstLanguage,
                           reinterpret_cast<LONG_PTR>(&found));
    if (found == 0xFFFF) return false;
    HRSRC resource = FindResourceExA(nullptr, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(id), found);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const unsigned char* data =
        loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (!data) return false;
    bytes->assign(data, data + SizeofResource(nullptr, resource));
    *language = found;
    return true;
}

std::u16string Cp932ToUtf16(const std::string& text) {
    std::u16string wide(text.size(), u'\0');
    const int length =
        MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()),
                            reinterpret_cast<wchar_t*>(&wide[0]), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return wide;
}
