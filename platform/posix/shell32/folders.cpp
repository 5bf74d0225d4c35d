#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <shlobj.h>

#include "platform/posix/shell32/folders.h"

namespace {

bool g_userFoldersForgotten = false;

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return found->pw_dir;
    return std::string();
}

void DropTrailingSeparators(std::string* path) {
    while (path->size() > 1 && path->back() == '/')
        path->pop_back();
}

// The XDG base folder for configuration; a relative $XDG_CONFIG_HOME is to be
// ignored, as the rules say.
std::string ConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder = config && config[0] == '/' ? config : HomeFolder();
    DropTrailingSeparators(&folder);
    if (folder.empty() || (config && config[0] == '/')) return folder;
    return folder == "/" ? "/.config" : folder + "/.config";
}

// Every missing folder on the way, each open to its owner only, as the XDG
// rules ask of the configuration folder.
bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

namespace layer {

void ForgetUserFolders() {
    g_userFoldersForgotten = true;
}

}  // namespace layer

// SHGetFolderPathA (SHELL32)
HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path) {
    const int which = folder & ~CSIDL_FLAG_CREATE;
    assert(!owner && !token && flags == SHGFP_TYPE_CURRENT && which == CSIDL_APPDATA &&
           "SHGetFolderPathA: only the current CSIDL_APPDATA is provided");
    if (!path || which != CSIDL_APPDATA || owner || token || flags != SHGFP_TYPE_CURRENT)
        return E_INVALIDARG;
    path[0] = '\0';
    const std::string found = g_userFoldersForgotten ? std::string() : ConfigFolder();
    if (found.empty() || found.size() >= MAX_PATH) return E_FAIL;
    if ((folder & CSIDL_FLAG_CREATE) && !MakeFolders(found)) return E_FAIL;
    std::memcpy(path, found.c_str(), found.size() + 1);
    return S_OK;
}
