// The socket waits the mail client and both TLS implementations share: every
// wait is cut into slices, and between two slices the caller's window looks at
// its input, so a user who comes back is answered at once whatever the saver
// waits on. Also whole sends, with the Winsock calls.
#pragma once

#include <chrono>
#include <functional>

#include "platform/win32.h"

namespace net {

using Clock = std::chrono::steady_clock;

// The longest stretch a wait spends without asking the caller whether to go on.
const std::chrono::milliseconds kWaitSlice(50);

// Asked before each slice of a wait; false ends the wait at once.
using KeepWaiting = std::function<bool()>;

enum class Await {
    kReadable,
    kConnected,  // writable, or failed: Windows reports a failed connect in the exception set
};

// The deadline the given number of seconds from now.
Clock::time_point After(long seconds);
// Waits until the socket is ready; false when the deadline passes first or
// keepWaiting (which may be empty) says to stop.
bool WaitFor(SOCKET socket, Await what, Clock::time_point deadline, const KeepWaiting& keepWaiting);
// Sends every byte; false when the socket fails first.
bool SendAll(SOCKET socket, const char* bytes, int length);

}  // namespace net
