#include "settings/ProfileStore.h"

#include <cstddef>
#include <cstring>
#include <filesystem>

#include "decode/HeaderDecoder.h"

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

// The program's folder in the user's application data.
const char kUserFolderName[] = "letterglass";

// Something other than a folder is there; a link counts as its target.
bool IsFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

const char kPasswordKey[] = "PASS";
const char kHexPasswordKey[] = "PASSHEX";
const char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    return -1;
}

}  // namespace

ProfileStore::ProfileStore()
    : currentDirectory_(), filePath_(), fileName_(), section_(), userFolder_() {}

ProfileStore::~ProfileStore() {}

// Windows starts a screen saver, and its settings, in whatever folder the
// starting process is in, often the system folder: a file there is used, as
// ever, and otherwise the user's own one, wherever the saver starts.
int ProfileStore::Bind(const char* fileName, const char* section) {
    if (fileName) {
        CopyCut(fileName_, sizeof fileName_, fileName);
        BindFile();
    }
    if (section) CopyCut(section_, sizeof section_, section);
    return 0;
}

void ProfileStore::BindFile() {
    userFolder_[0] = '\0';
    // A folder too long for the field leaves it empty, as the call does not fill it.
    currentDirectory_[0] = '\0';
    GetCurrentDirectoryA(static_cast<DWORD>(sizeof currentDirectory_), currentDirectory_);
    char here[sizeof filePath_] = "";
    if (currentDirectory_[0]) wsprintfA(here, "%s%c%s", currentDirectory_, kSeparator, fileName_);
    if ((here[0] && IsFile(here)) || !BindUserFolder()) CopyCut(filePath_, sizeof filePath_, here);
}

bool ProfileStore::BindUserFolder() {
    char appData[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        return false;
    char folder[1024], path[1024];  // as much as wsprintfA writes
    wsprintfA(folder, "%s%c%s", appData, kSeparator, kUserFolderName);
    const int length = wsprintfA(path, "%s%c%s", folder, kSeparator, fileName_);
    if (length >= static_cast<int>(sizeof filePath_)) return false;
    CopyCut(userFolder_, sizeof userFolder_, folder);
    CopyCut(filePath_, sizeof filePath_, path);
    return true;
}

// Made by the first write, so a saver that finds no settings leaves no trace.
void ProfileStore::MakeUserFolder() {
    if (!userFolder_[0] || GetFileAttributesA(userFolder_) != INVALID_FILE_ATTRIBUTES) return;
    char appData[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                     appData);
    CreateDirectoryA(userFolder_, nullptr);
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
    if (!filePath_[0]) return 0;
    MakeUserFolder();
    return WritePrivateProfileStringA(section_, key, value, filePath_);
}

int ProfileStore::WriteInt(const char* key, int value) {
    char text[16];
    wsprintfA(text, "%d", value);
    return WriteText(key, text);
}

void ProfileStore::ScramblePassword(char* text) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p)
        *p = static_cast<unsigned char>(256 - *p);
}

int ProfileStore::WritePassword(const char* password) {
    // As long as the dialog's edit gives; readers see the first 255 bytes.
    char scrambled[1024];
    CopyCut(scrambled, sizeof scrambled, password);
    ScramblePassword(scrambled);
    if (!WriteText(kPasswordKey, scrambled)) return 0;
    scrambled[kValueSize - 1] = '\0';
    char stored[kValueSize];
    ReadText(kPasswordKey, stored, "");
    char hex[2 * kValueSize];
    if (std::strcmp(stored, scrambled) == 0) {
        ReadText(kHexPasswordKey, hex, "");
        return hex[0] ? WriteText(kHexPasswordKey, nullptr) : 1;
    }
    size_t length = 0;
    for (const unsigned char* p = reinterpret_cast<unsigned char*>(scrambled); *p; ++p) {
        hex[length++] = kHexDigits[*p >> 4];
        hex[length++] = kHexDigits[*p & 15];
    }
    hex[length] = '\0';
    return WriteText(kHexPasswordKey, hex);
}

void ProfileStore::ReadPassword(char* destination) {
    if (!ReadHexPassword(destination)) ReadText(kPasswordKey, destination, "");
    ScramblePassword(destination);
}

// False when the key is missing or is not whole hexadecimal bytes, which a
// hand-edited file may hold; PASS then counts.
bool ProfileStore::ReadHexPassword(char* destination) {
    char hex[2 * kValueSize];
    GetPrivateProfileStringA(section_, kHexPasswordKey, "", hex, sizeof hex, filePath_);
    size_t length = std::strlen(hex);
    if (length == 0 || length % 2 != 0) return false;
    for (size_t i = 0; i < length; i += 2) {
        int high = HexValue(hex[i]);
        int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0 || (high | low) == 0) return false;
        destination[i / 2] = static_cast<char>(high << 4 | low);
    }
    destination[length / 2] = '\0';
    return true;
}
