#include "tests/support/DovecotFixture.h"

#include <cstdlib>
#include <fstream>

const char kDovecotPassword[] = "postoffice";

::testing::AssertionResult FindDovecot(DovecotServer& server) {
    const char* chosen = std::getenv("LETTERGLASS_DOVECOT");
    server.folder = chosen != nullptr && *chosen != '\0' ? chosen : LETTERGLASS_DOVECOT_DIR;
#ifdef _WIN32
    if (server.folder[0] == '/') server.folder = "Z:" + server.folder;  // Wine's Unix root
#endif
    std::ifstream endpoint(server.folder + "/endpoint"), tls(server.folder + "/endpoint-tls");
    std::string tlsHost;
    if (endpoint >> server.host >> server.port && tls >> tlsHost >> server.tlsPort)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no Dovecot fixture in " << server.folder
                                         << ": run through ctest, or see DovecotFixture.h";
}
