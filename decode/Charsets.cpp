// One table, here rather than in the platform layer, because it is what mail
// calls a charset and what Windows numbers it: both targets read the same
// names the same way, and the layer below only ever sees code page numbers.
// It holds the charsets of the IANA registry that mail programs send and that
// MultiByteToWideChar converts with MB_ERR_INVALID_CHARS; ISO-2022-JP is listed
// for its own path. EUC-JP is 20932: Windows' 51932 is for MLang only.
#include "decode/Charsets.h"

#include <cstring>

namespace {

struct Charset {
    const char* name;  // lower case
    UINT codePage;
};

const Charset kCharsets[] = {
    {"utf-8", 65001},
    {"utf8", 65001},
    {"us-ascii", 20127},
    {"ascii", 20127},
    {"iso-2022-jp", kIso2022JpCodePage},
    {"shift_jis", 932},
    {"shift-jis", 932},
    {"sjis", 932},
    {"x-sjis", 932},
    {"windows-31j", 932},
    {"cp932", 932},
    {"euc-jp", 20932},
    {"x-euc-jp", 20932},
    {"iso-8859-1", 28591},
    {"latin1", 28591},
    {"iso-8859-2", 28592},
    {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},
    {"iso-8859-5", 28595},
    {"iso-8859-6", 28596},
    {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},
    {"iso-8859-8-i", 28598},
    {"iso-8859-9", 28599},
    {"iso-8859-13", 28603},
    {"iso-8859-15", 28605},
    {"windows-874", 874},
    {"tis-620", 874},
    {"windows-1250", 1250},
    {"windows-1251", 1251},
    {"windows-1252", 1252},
    {"windows-1253", 1253},
    {"windows-1254", 1254},
    {"windows-1255", 1255},
    {"windows-1256", 1256},
    {"windows-1257", 1257},
    {"windows-1258", 1258},
    {"koi8-r", 20866},
    {"koi8-u", 21866},
    {"ibm866", 866},
    {"cp866", 866},
    {"gb2312", 936},
    {"gbk", 936},
    {"cp936", 936},
    {"gb18030", 54936},
    {"big5", 950},
    {"cp950", 950},
    {"euc-kr", 949},
    {"ks_c_5601-1987", 949},
    {"cp949", 949},
};

// Longer than every name in the table.
const std::size_t kLongestName = 16;

}  // namespace

UINT CodePageOfCharset(const char* name, std::size_t length) {
    const char* suffix = static_cast<const char*>(std::memchr(name, '*', length));
    if (suffix != nullptr) length = static_cast<std::size_t>(suffix - name);
    if (length == 0 || length > kLongestName) return 0;
    char lower[kLongestName + 1];
    for (std::size_t i = 0; i < length; ++i) {
        const char c = name[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    lower[length] = '\0';
    for (const Charset& charset : kCharsets)
        if (std::strcmp(lower, charset.name) == 0) return charset.codePage;
    return 0;
}
