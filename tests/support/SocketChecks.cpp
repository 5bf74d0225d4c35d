#include "tests/support/SocketChecks.h"

#include "platform/win32.h"

int OutstandingStartups() {
#ifdef _WIN32
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    if (probe == INVALID_SOCKET) return 0;
    closesocket(probe);
    return 1;
#else
    return WinsockStartupCount();
#endif
}
