// Written with the program's own Winsock calls: Winsock in the Windows build,
// our layer natively; either way the peer needs a start-up of its own.
#include "tests/support/ScriptedPop3Peer.h"

#include <chrono>

#include "platform/win32.h"

namespace {

using Clock = std::chrono::steady_clock;
const auto kWaitLimit = std::chrono::seconds(30);

bool WaitFor(std::uintptr_t s, bool write, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit = {0, milliseconds * 1000};
    return select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &limit) > 0;
}

// Bound to 127.0.0.1 at an ephemeral port, listening unless the backlog is negative; port 0 on
// failure. Natively the calls Winsock shares with BSD sockets take an int and a socklen_t.
template <typename Handle, typename Length>
std::uintptr_t Listening(int backlog, sockaddr_in& address,
                         int(WINAPI* getName)(Handle, sockaddr*, Length*)) {
    const std::uintptr_t s = socket(AF_INET, SOCK_STREAM, 0);
    const Handle h = static_cast<Handle>(s);
    Length length = sizeof address;
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (bind(h, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (backlog >= 0 && listen(h, backlog) != 0) ||
        getName(h, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        address.sin_port = 0;
    return s;
}

void UseWinsock(bool start) {
    WSADATA data;
    start ? WSAStartup(MAKEWORD(2, 0), &data) : WSACleanup();
}

}  // namespace

ScriptedPop3Peer::ScriptedPop3Peer() : listener_(INVALID_SOCKET), connection_(INVALID_SOCKET) {
    UseWinsock(true);
}

ScriptedPop3Peer::~ScriptedPop3Peer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    closesocket(connection_);
    closesocket(listener_);
    UseWinsock(false);
}

bool ScriptedPop3Peer::Start() {
    sockaddr_in address;
    listener_ = Listening(1, address, getsockname);
    if ((port_ = ntohs(address.sin_port)) != 0) thread_ = std::thread(&ScriptedPop3Peer::Run, this);
    return port_ != 0;
}

std::string ScriptedPop3Peer::Finish() {
    if (thread_.joinable()) thread_.join();
    return received_;
}

void ScriptedPop3Peer::Run() {
    for (auto end = Clock::now() + kWaitLimit; !WaitFor(listener_, false, 100);)
        if (stop_ || Clock::now() > end) return;
    connection_ = accept(static_cast<int>(listener_), nullptr, nullptr);
    for (const auto& [kind, bytes, milliseconds] : script_)
        if (!Play(kind, bytes, milliseconds)) return;
    for (auto end = Clock::now() + kWaitLimit; !stop_ && Clock::now() < end && ReadSome();) {
    }
}

// False when the script ends here: hung up, timed out, or the client went away.
bool ScriptedPop3Peer::Play(Kind kind, const std::string& bytes, int milliseconds) {
    const int size = static_cast<int>(bytes.size());
    const auto end = Clock::now() + kWaitLimit;
    switch (kind) {
        case kSend:
            send(connection_, bytes.data(), size, 0);
            return true;
        case kPause:
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
            return true;
        case kAwaitLine:
            for (;;) {
                const std::size_t next = received_.find("\r\n", lineEnd_);
                if (next != std::string::npos) {
                    lineEnd_ = next + 2;
                    return true;
                }
                if (stop_ || Clock::now() > end || !ReadSome()) return false;
            }
        case kHangup:
            closesocket(connection_);
            connection_ = INVALID_SOCKET;
            return false;
        case kFlood:
            // Non-blocking, so a client that stops reading cannot hold the peer.
            u_long on = 1;
            ioctlsocket(connection_, static_cast<long>(FIONBIO), &on);
            while (!stop_ && Clock::now() < end) {
                if (send(connection_, bytes.data(), size, 0) != SOCKET_ERROR) continue;
                if (WSAGetLastError() != WSAEWOULDBLOCK) break;
                WaitFor(connection_, true, 100);
            }
            clientClosed_ = !stop_ && Clock::now() < end;
    }
    return false;
}

// Records what arrives within 100 ms; false once the client has closed.
bool ScriptedPop3Peer::ReadSome() {
    if (!WaitFor(connection_, false, 100)) return true;
    char chunk[4096];
    const int count = recv(connection_, chunk, sizeof chunk, 0);
    if (count > 0) received_.append(chunk, static_cast<std::size_t>(count));
    clientClosed_ = count <= 0;
    return count > 0;
}

unsigned short UnusedLoopbackPort() {
    UseWinsock(true);
    sockaddr_in address;
    closesocket(Listening(-1, address, getsockname));
    UseWinsock(false);
    return ntohs(address.sin_port);
}

// With a backlog of 0 the system queues one connection that nobody accepts;
// the second filler's attempt and every later one go unanswered.
StalledLoopbackListener::StalledLoopbackListener() {
    UseWinsock(true);
    sockaddr_in address;
    sockets[0] = Listening(0, address, getsockname);
    port = ntohs(address.sin_port);
    for (std::uintptr_t* filler = sockets + 1; filler < sockets + 3; ++filler) {
        *filler = socket(AF_INET, SOCK_STREAM, 0);
        u_long on = 1;
        ioctlsocket(*filler, static_cast<long>(FIONBIO), &on);
        connect(*filler, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        WaitFor(*filler, true, 500);
    }
}

StalledLoopbackListener::~StalledLoopbackListener() {
    for (std::uintptr_t s : sockets)
        closesocket(s);
    UseWinsock(false);
}

bool WinsockStarted() {
    return closesocket(socket(AF_INET, SOCK_STREAM, 0)) == 0;  // closing no socket fails
}
