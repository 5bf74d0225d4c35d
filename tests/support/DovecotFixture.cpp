#include "tests/support/DovecotFixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

const char kDovecotPassword[] = "postoffice";

namespace {

namespace fs = std::filesystem;

// The folder ctest's fixture uses, unless LETTERGLASS_DOVECOT names another.
// The Windows build sees the Unix root as drive Z: (under Wine).
std::string FixtureFolder() {
    const char* chosen = std::getenv("LETTERGLASS_DOVECOT");
    std::string folder = chosen != nullptr && *chosen != '\0' ? chosen : LETTERGLASS_DOVECOT_DIR;
#ifdef _WIN32
    if (!folder.empty() && folder[0] == '/') folder = "Z:" + folder;
#endif
    return folder;
}

std::string FileContents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void AddMessages(const fs::path& folder, std::vector<std::string>& messages) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) messages.push_back(FileContents(entry.path()));
    }
}

}  // namespace

::testing::AssertionResult FindDovecot(DovecotServer& server) {
    server.folder = FixtureFolder();
    std::ifstream endpoint(fs::path(server.folder) / "endpoint");
    std::ifstream tlsEndpoint(fs::path(server.folder) / "endpoint-tls");
    std::string tlsHost;
    if (!(endpoint >> server.host >> server.port) || !(tlsEndpoint >> tlsHost >> server.tlsPort))
        return ::testing::AssertionFailure()
               << "no Dovecot fixture running in " << server.folder
               << ": run this test through ctest (fixture \"dovecot\"), or start "
                  "scripts/lib/dovecot/run-dovecot and set LETTERGLASS_DOVECOT";
    return ::testing::AssertionSuccess();
}

std::vector<std::string> PlacedMessages(const DovecotServer& server, const std::string& user) {
    std::vector<std::string> messages;
    AddMessages(fs::path(server.folder) / "originals" / user, messages);
    std::sort(messages.begin(), messages.end());
    return messages;
}

std::vector<std::string> StoredMessages(const DovecotServer& server, const std::string& user) {
    std::vector<std::string> messages;
    const fs::path maildir = fs::path(server.folder) / "home" / user / "Maildir";
    AddMessages(maildir / "cur", messages);
    AddMessages(maildir / "new", messages);
    std::sort(messages.begin(), messages.end());
    return messages;
}
