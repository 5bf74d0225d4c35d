#include "platform/net/SocketWait.h"

namespace net {

namespace {

// One select of at most the given microseconds.
bool ReadyWithin(SOCKET socket, Await what, long long microseconds) {
    fd_set watched;
    fd_set failed;
    FD_ZERO(&watched);
    FD_ZERO(&failed);
    FD_SET(socket, &watched);
    FD_SET(socket, &failed);
    timeval limit = {static_cast<long>(microseconds / 1000000),
                     static_cast<long>(microseconds % 1000000)};
    const int width = static_cast<int>(socket + 1);
    if (what == Await::kReadable) return select(width, &watched, nullptr, nullptr, &limit) > 0;
    return select(width, nullptr, &watched, &failed, &limit) > 0;
}

}  // namespace

Clock::time_point After(long seconds) {
    return Clock::now() + std::chrono::seconds(seconds);
}

bool WaitFor(SOCKET socket, Await what, Clock::time_point deadline,
             const KeepWaiting& keepWaiting) {
    const long long slice = std::chrono::microseconds(kWaitSlice).count();
    for (;;) {
        if (keepWaiting && !keepWaiting()) return false;
        const long long left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        if (ReadyWithin(socket, what, left < slice ? left : slice)) return true;
    }
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

}  // namespace net
