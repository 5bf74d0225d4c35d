#include "platform/tls/TlsSocket.h"

namespace tls {

Clock::time_point After(long seconds) {
    return Clock::now() + std::chrono::seconds(seconds);
}

bool WaitReadable(SOCKET socket, Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit = {static_cast<long>(left / 1000000), static_cast<long>(left % 1000000)};
    return select(static_cast<int>(socket + 1), &readable, nullptr, nullptr, &limit) > 0;
}

bool SendAll(SOCKET socket, const char* bytes, int length) {
    while (length > 0) {
        int accepted = send(socket, bytes, length, 0);
        if (accepted <= 0) return false;
        bytes += accepted;
        length -= accepted;
    }
    return true;
}

}  // namespace tls
