#include "settings/ProfileStore.h"

#include <cstddef>
#include <filesystem>

#include "decode/HeaderDecoder.h"
#include "platform/win32.h"

namespace {

// The platform's own folder separator: a backslash on Windows, '/' elsewhere.
const char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

// Copies text into a fixed field, cut at the field's size minus one.
void CopyCut(char* destination, size_t size, const char* text) {
    size_t length = 0;
    while (length < size - 1 && text[length] != '\0') {
        destination[length] = text[length];
        ++length;
    }
    destination[length] = '\0';
}

}  // namespace

ProfileStore::ProfileStore() : currentDirectory_(), filePath_(), fileName_(), section_() {}

ProfileStore::~ProfileStore() {}

int ProfileStore::Bind(const char* fileName, const char* section) {
    if (fileName) {
        CopyCut(fileName_, sizeof fileName_, fileName);
        // A folder too long for the field leaves it empty, as the call does not fill it.
        currentDirectory_[0] = '\0';
        GetCurrentDirectoryA(static_cast<DWORD>(sizeof currentDirectory_), currentDirectory_);
        wsprintfA(filePath_, "%s%c%s", currentDirectory_, kSeparator, fileName_);
    }
    if (section) CopyCut(section_, sizeof section_, section);
    return 0;
}

void ProfileStore::ReadText(const char* key, char* destination, const char* defaultText) {
    char value[kValueSize];
    GetPrivateProfileStringA(section_, key, defaultText, value, kValueSize, filePath_);
    wsprintfA(destination, "%s", value);
}

int ProfileStore::ReadInt(const char* key, int defaultValue) {
    char defaultText[16];
    char value[kValueSize];
    wsprintfA(defaultText, "%d", defaultValue);
    GetPrivateProfileStringA(section_, key, defaultText, value, kValueSize, filePath_);
    return HeaderDecoder::LeadingNumber(value);
}

int ProfileStore::WriteText(const char* key, const char* value) {
    return WritePrivateProfileStringA(section_, key, value, filePath_);
}

void ProfileStore::WriteInt(const char* key, int value) {
    char text[16];
    wsprintfA(text, "%d", value);
    WriteText(key, text);
}

void ProfileStore::ScramblePassword(char* text) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p)
        *p = static_cast<unsigned char>(256 - *p);
}
