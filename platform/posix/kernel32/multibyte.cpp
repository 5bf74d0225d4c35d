// MultiByteToWideChar and WideCharToMultiByte (KERNEL32) over iconv, by Windows'
// code page numbers. 932 keeps the layer's one table: iconv's "CP932" with the
// single bytes Windows adds to it.
#include <winnls.h>

#include <cstring>
#include <mutex>

#include "platform/posix/cp932/cp932.h"
#include "platform/posix/cp932/iconv_run.h"

namespace {

const UINT kAnsiCodePage = 932;
const char* const kUtf16 = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? "UTF-16BE" : "UTF-16LE";

struct CodePage {
    UINT number;
    const char* iconvName;
};
// The code pages of Windows' own tables that mail may be written in.
const CodePage kCodePages[] = {
    {866, "CP866"},         {874, "CP874"},         {932, "CP932"},        {936, "CP936"},
    {949, "CP949"},         {950, "CP950"},         {1250, "CP1250"},      {1251, "CP1251"},
    {1252, "CP1252"},       {1253, "CP1253"},       {1254, "CP1254"},      {1255, "CP1255"},
    {1256, "CP1256"},       {1257, "CP1257"},       {1258, "CP1258"},      {20127, "ASCII"},
    {20866, "KOI8-R"},      {20932, "EUC-JP"},      {21866, "KOI8-U"},     {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"}, {54936, "GB18030"},    {65001, "UTF-8"},
};
const int kCodePageCount = static_cast<int>(sizeof kCodePages / sizeof kCodePages[0]);

// Windows' table for 1252 gives its five unassigned bytes the C1 controls of the
// same value; iconv's refuses them.
char16_t ExtraCharacter(UINT codePage, unsigned char byte) {
    if (codePage == 932) return layer::ExtraCharacter(byte);
    const bool unassigned =
        byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
    return codePage == 1252 && unassigned ? byte : 0;
}

int ExtraByte(UINT codePage, char16_t character) {
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        if (ExtraCharacter(codePage, static_cast<unsigned char>(byte)) == character) return byte;
    return -1;
}

char16_t DefaultCharacter(UINT codePage) {
    return codePage == 65001 ? 0xFFFD : codePage == 932 ? 0x30FB : '?';
}

// iconv descriptors are opened once per code page and direction, and used under
// the one lock: a descriptor carries state between calls.
std::mutex g_lock;
iconv_t g_toWide[kCodePageCount], g_fromWide[kCodePageCount];
bool g_opened[kCodePageCount];

int IndexOf(UINT codePage) {
    if (codePage == CP_ACP) codePage = kAnsiCodePage;
    for (int i = 0; i < kCodePageCount; ++i)
        if (kCodePages[i].number == codePage) return i;
    return -1;
}

iconv_t Converter(int index, bool toWide) {
    if (!g_opened[index]) {
        g_toWide[index] = iconv_open(kUtf16, kCodePages[index].iconvName);
        g_fromWide[index] = iconv_open(kCodePages[index].iconvName, kUtf16);
        g_opened[index] = true;
    }
    return toWide ? g_toWide[index] : g_fromWide[index];
}

// The caller's area, or, when it has none, a count of what would be written.
class Output {
public:
    Output(char* area, std::size_t room) : area_(area), room_(room) {}

    void Put(const void* bytes, std::size_t count) {
        if (area_ != nullptr && count > room_ - used_) {
            overflow_ = true;
            return;
        }
        if (area_ != nullptr) std::memcpy(area_ + used_, bytes, count);
        used_ += count;
    }
    // The bytes put, or -1 when the run failed or they did not fit.
    long Result(bool ran) const { return ran && !overflow_ ? static_cast<long>(used_) : -1; }

private:
    char* area_;
    std::size_t room_;
    std::size_t used_ = 0;
    bool overflow_ = false;
};

}  // namespace

// MultiByteToWideChar (KERNEL32)
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                        int wideSize) {
    const int index = IndexOf(codePage);
    if (index < 0 || text == nullptr || length == 0 || length < -1 || wideSize < 0 ||
        (wideSize > 0 && wide == nullptr) || (flags & ~DWORD{MB_ERR_INVALID_CHARS}) != 0)
        return 0;
    const UINT number = kCodePages[index].number;
    const std::size_t bytes =
        length == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(length);
    std::lock_guard<std::mutex> hold(g_lock);
    Output out(reinterpret_cast<char*>(wide), static_cast<std::size_t>(wideSize) * sizeof(WCHAR));
    const bool ran = layer::RunIconv(
        Converter(index, true), text, bytes,
        [&](const char* converted, std::size_t count) { out.Put(converted, count); },
        [&](const char* at, std::size_t) -> std::size_t {
            char16_t character = ExtraCharacter(number, static_cast<unsigned char>(*at));
            if (character == 0 && (flags & MB_ERR_INVALID_CHARS) != 0) return 0;
            if (character == 0) character = DefaultCharacter(number);
            out.Put(&character, sizeof character);
            return 1;
        });
    const long written = out.Result(ran);
    return written < 0 ? 0 : static_cast<int>(written / static_cast<long>(sizeof(WCHAR)));
}

// WideCharToMultiByte (KERNEL32)
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text,
                        int textSize, LPCSTR defaultChar, LPBOOL usedDefault) {
    const int index = IndexOf(codePage);
    if (index < 0 || wide == nullptr || wideLength == 0 || wideLength < -1 || textSize < 0 ||
        (textSize > 0 && text == nullptr) || flags != 0 || defaultChar != nullptr)
        return 0;
    const UINT number = kCodePages[index].number;
    std::size_t units = 0;
    if (wideLength == -1)
        while (wide[units++] != 0) {
        }
    else
        units = static_cast<std::size_t>(wideLength);
    if (usedDefault != nullptr) *usedDefault = FALSE;
    std::lock_guard<std::mutex> hold(g_lock);
    Output out(text, static_cast<std::size_t>(textSize));
    const bool ran = layer::RunIconv(
        Converter(index, false), reinterpret_cast<const char*>(wide), units * sizeof(WCHAR),
        [&](const char* converted, std::size_t count) { out.Put(converted, count); },
        [&](const char* at, std::size_t left) -> std::size_t {
            char16_t character = 0;
            std::memcpy(&character, at, left < sizeof character ? left : sizeof character);
            const int extra = ExtraByte(number, character);
            if (extra >= 0) {
                const char byte = static_cast<char>(extra);
                out.Put(&byte, 1);
            } else if (number == 65001) {
                out.Put("\xEF\xBF\xBD", 3);
            } else {
                out.Put("?", 1);
                if (usedDefault != nullptr) *usedDefault = TRUE;
            }
            return sizeof character;
        });
    const long written = out.Result(ran);
    return written < 0 ? 0 : static_cast<int>(written);
}
