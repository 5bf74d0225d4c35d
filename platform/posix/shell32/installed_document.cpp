#include "platform/posix/shell32/installed_document.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// The path without "..", as the opener shows it.
std::string Resolved(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return std::string();
    const std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/') + 1);
}

}  // namespace

namespace layer {

std::string InstalledDocument(const std::string& path) {
    if (Exists(path)) return path;
    const std::string folder = ProgramFolder();
    const size_t nameStart = path.rfind('/') + 1;
    if (folder.empty() || path.compare(0, nameStart, folder) != 0) return path;
    const std::string installed =
        folder + LAYER_DOCUMENTS_FROM_PROGRAM + "/" + path.substr(nameStart);
    const std::string found = Resolved(installed);
    return found.empty() ? path : found;
}

}  // namespace layer
