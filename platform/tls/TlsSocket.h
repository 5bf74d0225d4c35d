// The socket side that both TLS implementations share: bounded waits and
// whole sends, with the Winsock calls.
#pragma once

#include <chrono>

#include "platform/win32.h"

namespace tls {

using Clock = std::chrono::steady_clock;

// The deadline the given number of seconds from now.
Clock::time_point After(long seconds);
// Waits until the socket is readable; false when the deadline passes first.
bool WaitReadable(SOCKET socket, Clock::time_point deadline);
// Sends every byte; false when the socket fails first.
bool SendAll(SOCKET socket, const char* bytes, int length);

}  // namespace tls
