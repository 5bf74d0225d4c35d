#include "tests/support/ScriptedPop3Peer.h"

#include <cerrno>
#include <chrono>
#include <cstring>

// The peer uses the system's own sockets, not the Linux layer under test.
#ifdef _WIN32
#include <winsock.h>
typedef int socklen_t;
#define MSG_NOSIGNAL 0
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
typedef int SOCKET;
#define closesocket close
#endif

namespace {

using Clock = std::chrono::steady_clock;
const int kSliceMillis = 100;
const auto kAcceptTime = std::chrono::seconds(15);
const auto kLineTime = std::chrono::seconds(20);
const auto kDrainTime = std::chrono::seconds(30);

SOCKET Native(std::intptr_t s) {
    return static_cast<SOCKET>(s);
}

// In the Windows build the peer's sockets need a Winsock start-up of their own.
void UseWinsock(bool start) {
#ifdef _WIN32
    WSADATA data;
    if (start) WSAStartup(MAKEWORD(2, 0), &data);
    if (!start) WSACleanup();
#else
    (void)start;
#endif
}

// So a client that stops reading cannot hold the peer.
void SetNonBlocking(std::intptr_t s) {
#ifdef _WIN32
    u_long on = 1;
    ioctlsocket(Native(s), static_cast<long>(FIONBIO), &on);
#else
    fcntl(Native(s), F_SETFL, O_NONBLOCK);
#endif
}

bool WouldBlock() {
#ifdef _WIN32
    return WSAGetLastError() == WSAEWOULDBLOCK;
#else
    return errno == EAGAIN || errno == EWOULDBLOCK;
#endif
}

// Readable (or, with write, writable) within the time.
bool WaitFor(std::intptr_t s, bool write, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Native(s), &set);
    timeval limit = {milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(static_cast<int>(s) + 1, write ? nullptr : &set, write ? &set : nullptr, nullptr,
                  &limit) > 0;
}

sockaddr_in Loopback(unsigned short port) {
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A TCP socket bound to 127.0.0.1 at an ephemeral port, listening with the
// backlog; -1 (and port 0) on failure.
std::intptr_t Listening(int backlog, unsigned short& port) {
    const std::intptr_t s = static_cast<std::intptr_t>(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    port = 0;
    if (s == -1) return -1;
    if (bind(Native(s), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(Native(s), reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        (backlog >= 0 && listen(Native(s), backlog) != 0)) {
        closesocket(Native(s));
        return -1;
    }
    port = ntohs(address.sin_port);
    return s;
}

}  // namespace

ScriptedPop3Peer::ScriptedPop3Peer() : listener_(-1), connection_(-1) {
    UseWinsock(true);
}

ScriptedPop3Peer::~ScriptedPop3Peer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (connection_ != -1) closesocket(Native(connection_));
    if (listener_ != -1) closesocket(Native(listener_));
    UseWinsock(false);
}

ScriptedPop3Peer& ScriptedPop3Peer::Add(Kind kind, const std::string& bytes, int milliseconds) {
    script_.push_back(Step{kind, bytes, milliseconds});
    return *this;
}

bool ScriptedPop3Peer::Start() {
    listener_ = Listening(1, port_);
    if (listener_ != -1) thread_ = std::thread(&ScriptedPop3Peer::Run, this);
    return listener_ != -1;
}

std::string ScriptedPop3Peer::Finish() {
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

void ScriptedPop3Peer::Run() {
    for (auto end = Clock::now() + kAcceptTime; !WaitFor(listener_, false, kSliceMillis);)
        if (stop_ || Clock::now() > end) return;
    connection_ = static_cast<std::intptr_t>(accept(Native(listener_), nullptr, nullptr));
    if (connection_ == -1) return;
    int noDelay = 1;
    setsockopt(Native(connection_), IPPROTO_TCP, TCP_NODELAY,
               reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    for (const Step& step : script_)
        if (!Play(step)) return;
    for (auto end = Clock::now() + kDrainTime; !stop_ && Clock::now() < end;)
        if (!ReadSome()) return;
}

// False when the script ends here: hung up, timed out, or the client went away.
bool ScriptedPop3Peer::Play(const Step& step) {
    switch (step.kind) {
        case kSend:
            send(Native(connection_), step.bytes.data(), static_cast<int>(step.bytes.size()),
                 MSG_NOSIGNAL);
            return true;
        case kPause:
            std::this_thread::sleep_for(std::chrono::milliseconds(step.milliseconds));
            return true;
        case kAwaitLine:
            for (auto end = Clock::now() + kLineTime; !stop_ && Clock::now() < end;) {
                {
                    std::lock_guard<std::mutex> guard(lock_);
                    const std::size_t next = received_.find("\r\n", lineEnd_);
                    if (next != std::string::npos) {
                        lineEnd_ = next + 2;
                        return true;
                    }
                }
                if (!ReadSome()) return false;
            }
            return false;
        case kHangup:
            closesocket(Native(connection_));
            connection_ = -1;
            return false;
        case kFlood:
            SetNonBlocking(connection_);
            for (auto end = Clock::now() + kDrainTime; !stop_ && Clock::now() < end;) {
                if (WaitFor(connection_, true, kSliceMillis) &&
                    send(Native(connection_), step.bytes.data(),
                         static_cast<int>(step.bytes.size()), MSG_NOSIGNAL) < 0 &&
                    !WouldBlock()) {
                    clientClosed_ = true;
                    return false;
                }
            }
            return false;
    }
    return false;
}

// Records what arrives within a slice of time; false once the client has closed.
bool ScriptedPop3Peer::ReadSome() {
    if (!WaitFor(connection_, false, kSliceMillis)) return true;
    char chunk[4096];
    const int count = static_cast<int>(recv(Native(connection_), chunk, sizeof chunk, 0));
    if (count <= 0) {
        clientClosed_ = true;
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    received_.append(chunk, static_cast<std::size_t>(count));
    return true;
}

unsigned short UnusedLoopbackPort() {
    UseWinsock(true);
    unsigned short port = 0;
    const std::intptr_t s = Listening(-1, port);
    if (s != -1) closesocket(Native(s));
    UseWinsock(false);
    return port;
}

// With a backlog of 0 the system queues one connection that nobody accepts;
// the second filler's attempt and every later one go unanswered.
StalledLoopbackListener::StalledLoopbackListener() {
    UseWinsock(true);
    sockets_.push_back(Listening(0, port_));
    const sockaddr_in address = Loopback(port_);
    for (int i = 0; i < 2 && port_ != 0; ++i) {
        sockets_.push_back(static_cast<std::intptr_t>(socket(AF_INET, SOCK_STREAM, 0)));
        SetNonBlocking(sockets_.back());
        connect(Native(sockets_.back()), reinterpret_cast<const sockaddr*>(&address),
                sizeof address);
        WaitFor(sockets_.back(), true, 500);
    }
}

StalledLoopbackListener::~StalledLoopbackListener() {
    for (std::intptr_t s : sockets_)
        if (s != -1) closesocket(Native(s));
    UseWinsock(false);
}
