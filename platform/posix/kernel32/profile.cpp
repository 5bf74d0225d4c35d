#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include <winbase.h>

#include "platform/posix/cp932/cp932.h"

namespace {

// A settings file this large is junk: it reads as missing and is never rewritten.
const size_t kFileLimit = size_t{64} << 20;

enum class FileState { kLoaded, kMissing, kUnusable };

// Windows counts Ctrl-Z, the old end-of-file mark, among the blanks.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

// Names compare case-insensitively in ASCII only; the second byte of a
// double-byte character may look like a letter and must compare exactly.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (layer::IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// Lines end in CR LF, LF or a lone CR. Returns false at the end of the text.
bool NextLine(std::string_view text, size_t* pos, std::string_view* line) {
    if (*pos >= text.size()) return false;
    size_t end = text.find_first_of("\r\n", *pos);
    if (end == std::string_view::npos) end = text.size();
    *line = text.substr(*pos, end - *pos);
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        ++end;
    *pos = end + 1;
    return true;
}

// "[name]", blanks allowed around the name; text after the last ']' is ignored.
bool ParseHeader(std::string_view line, std::string_view* name) {
    line = TrimLeft(line);
    size_t close = line.rfind(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos) return false;
    *name = Trim(line.substr(1, close - 1));
    return true;
}

// "key=value": the first '=' splits; a line without one is no entry.
bool ParseEntry(std::string_view line, std::string_view* key, std::string_view* value) {
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    *key = Trim(line.substr(0, equals));
    *value = line.substr(equals + 1);
    return true;
}

// Only the first section of a name counts, as on Windows.
bool FindValue(std::string_view text, std::string_view section, std::string_view key,
               std::string_view* value) {
    bool inSection = false;
    size_t pos = 0;
    std::string_view line, name, entryKey;
    while (NextLine(text, &pos, &line)) {
        if (ParseHeader(line, &name)) {
            if (inSection) return false;
            inSection = SameName(name, section);
        } else if (inSection && ParseEntry(line, &entryKey, value) && SameName(entryKey, key)) {
            return true;
        }
    }
    return false;
}

// One pair of matching quotes around a value is dropped.
std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Up to size - 1 bytes, stopping at a NUL, without splitting a double-byte
// character.
DWORD CopyCut(std::string_view value, LPSTR buffer, DWORD size) {
    const std::string_view text = value.substr(0, value.find('\0'));
    return static_cast<DWORD>(layer::CopyCut(text.data(), text.size(), buffer, size));
}

FileState LoadFile(const char* path, std::string* text, mode_t* mode) {
    // O_NONBLOCK: a FIFO in the file's place must not hang the caller.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? FileState::kMissing : FileState::kUnusable;
    struct stat info;
    bool usable = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                  static_cast<unsigned long long>(info.st_size) <= kFileLimit;
    char chunk[65536];
    while (usable) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        usable = got > 0 && text->size() + static_cast<size_t>(got) <= kFileLimit;
        if (usable) text->append(chunk, static_cast<size_t>(got));
    }
    close(fd);
    if (usable) *mode = info.st_mode & 07777;
    return usable ? FileState::kLoaded : FileState::kUnusable;
}

void AppendLine(std::string* out, std::string_view line) {
    out->append(line);
    out->append("\r\n");
}

std::string EntryLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line.push_back('=');
    AppendLine(&line, value);
    return line;
}

// The whole file with one key set: an existing entry is replaced where it
// stands, a new one follows the section's last non-blank line, a new section
// goes at the end. Every line ends in CR LF, as Windows writes them.
// No value removes the key; a missing key then changes nothing.
std::string SetEntry(std::string_view text, std::string_view section, std::string_view key,
                     std::optional<std::string_view> value) {
    std::string entry = value ? EntryLine(key, *value) : std::string();
    std::string out;
    out.reserve(text.size() + entry.size() + section.size() + 4);
    enum { kBefore, kInside, kDone } state = kBefore;
    size_t insertAt = 0;
    size_t pos = 0;
    std::string_view line, name, entryKey, entryValue;
    while (NextLine(text, &pos, &line)) {
        bool header = ParseHeader(line, &name);
        if (header && state == kInside) {
            out.insert(insertAt, entry);
            state = kDone;
        }
        if (state == kInside && ParseEntry(line, &entryKey, &entryValue) &&
            SameName(entryKey, key)) {
            if (value) out += EntryLine(entryKey, *value);
            state = kDone;
            continue;
        }
        AppendLine(&out, line);
        if (header && state == kBefore && SameName(name, section)) state = kInside;
        if (state == kInside && !TrimLeft(line).empty()) insertAt = out.size();
    }
    if (state == kInside) {
        out.insert(insertAt, entry);
    } else if (state == kBefore && value) {
        out += "[";
        out += section;
        AppendLine(&out, "]");
        out += entry;
    }
    return out;
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t put = write(fd, data.data() + done, data.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// The file rewritten from its start and cut to the new length; a missing one
// is created with the mode.
bool RewriteInPlace(const char* path, const std::string& data, mode_t mode) {
    int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, mode);
    if (fd < 0) return false;
    bool ok =
        WriteAll(fd, data) && ftruncate(fd, static_cast<off_t>(data.size())) == 0 && fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

// A temporary file in the same folder, renamed over the old one: a failure at
// any point leaves the old file whole. A folder that takes no new file gets
// the file rewritten in place, as Windows writes it.
bool ReplaceFile(const char* path, const std::string& data, mode_t mode) {
    std::string temp = std::string(path) + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) return RewriteInPlace(path, data, mode);
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, data) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), path) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

// A symbolic link is written through: its target is replaced and the link
// stays. A dangling link gets its target created.
bool StoreFile(const char* path, const std::string& data, mode_t mode) {
    struct stat info;
    char target[PATH_MAX];
    if (lstat(path, &info) != 0 || !S_ISLNK(info.st_mode)) return ReplaceFile(path, data, mode);
    if (!realpath(path, target)) return RewriteInPlace(path, data, mode);
    return ReplaceFile(target, data, mode);
}

// Windows refuses to write a file with the read-only attribute, even for an
// administrator: here one the user may not write, or that no one may.
bool ReadOnly(const char* path, mode_t mode) {
    return (mode & 0222) == 0 || access(path, W_OK) != 0;
}

}  // namespace

// GetCurrentDirectoryA (KERNEL32)
// The size needed (terminator included) when the buffer is too small.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    char folder[PATH_MAX];
    if (!getcwd(folder, sizeof folder)) return 0;
    size_t length = std::strlen(folder);
    if (length + 1 > size) return static_cast<DWORD>(length + 1);
    std::memcpy(buffer, folder, length + 1);
    return static_cast<DWORD>(length);
}

// GetPrivateProfileStringA (KERNEL32)
// The default loses its trailing blanks, not its leading ones; a file that
// cannot be read counts as missing.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    assert(section && key && fileName && "section and key enumeration is not provided");
    assert(!Trim(section).empty() && "the nameless section is not provided");
    if (size == 0) return 0;
    std::string text;
    mode_t mode = 0;
    std::string_view value;
    if (LoadFile(fileName, &text, &mode) == FileState::kLoaded &&
        FindValue(text, Trim(section), Trim(key), &value))
        return CopyCut(Unquote(Trim(value)), buffer, size);
    return CopyCut(TrimRight(defaultText ? defaultText : ""), buffer, size);
}

// WritePrivateProfileStringA (KERNEL32)
// The value loses its leading blanks, as Windows writes it; no value removes
// the key. A new file gets mode 0600 (it holds the password); a rewritten one
// keeps its mode. A read-only file is left alone and the write fails.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    assert(section && key && fileName && "deleting sections is not provided");
    assert(!Trim(section).empty() && "the nameless section is not provided");
    std::string text;
    mode_t mode = 0600;
    FileState state = LoadFile(fileName, &text, &mode);
    if (state == FileState::kUnusable) return FALSE;
    if (state == FileState::kLoaded && ReadOnly(fileName, mode)) return FALSE;
    std::optional<std::string_view> kept;
    if (value) kept = TrimLeft(value);
    return StoreFile(fileName, SetEntry(text, Trim(section), Trim(key), kept), mode) ? TRUE : FALSE;
}
