#include "tests/support/ScriptedPop3Peer.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

const std::intptr_t kNone = -1;
const int kAcceptMillis = 15000;
const int kLineMillis = 20000;
const int kDrainMillis = 30000;
const int kSliceMillis = 100;

// The small differences between Winsock and BSD sockets, for the peer alone.
#ifdef _WIN32
typedef int socklen_t;
const int kNoSignal = 0;

void StartSockets() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 0), &data);
}

void StopSockets() {
    WSACleanup();
}

std::intptr_t Handle(SOCKET s) {
    return s == INVALID_SOCKET ? kNone : static_cast<std::intptr_t>(s);
}

SOCKET Native(std::intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

void CloseSocketHandle(std::intptr_t handle) {
    closesocket(Native(handle));
}

bool SetNonBlocking(std::intptr_t handle) {
    u_long on = 1;
    return ioctlsocket(Native(handle), static_cast<long>(FIONBIO), &on) == 0;
}

bool WouldBlock() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}

// Readable within the time, or (write) connected.
bool WaitFor(std::intptr_t handle, bool write, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Native(handle), &set);
    timeval limit = {milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &limit) > 0;
}
#else
const int kNoSignal = MSG_NOSIGNAL;

void StartSockets() {}
void StopSockets() {}

std::intptr_t Handle(int fd) {
    return fd < 0 ? kNone : fd;
}

int Native(std::intptr_t handle) {
    return static_cast<int>(handle);
}

void CloseSocketHandle(std::intptr_t handle) {
    close(Native(handle));
}

bool SetNonBlocking(std::intptr_t handle) {
    int flags = fcntl(Native(handle), F_GETFL);
    return flags >= 0 && fcntl(Native(handle), F_SETFL, flags | O_NONBLOCK) == 0;
}

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

bool WaitFor(std::intptr_t handle, bool write, int milliseconds) {
    pollfd polled = {Native(handle), static_cast<short>(write ? POLLOUT : POLLIN), 0};
    return poll(&polled, 1, milliseconds) > 0;
}
#endif

sockaddr_in Loopback(unsigned short port) {
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A TCP socket bound to 127.0.0.1 at an ephemeral port; kNone on failure.
std::intptr_t BoundLoopback(unsigned short& port) {
    std::intptr_t handle = Handle(socket(AF_INET, SOCK_STREAM, 0));
    if (handle == kNone) return kNone;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (bind(Native(handle), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(Native(handle), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        CloseSocketHandle(handle);
        return kNone;
    }
    port = ntohs(address.sin_port);
    return handle;
}

}  // namespace

ScriptedPop3Peer::ScriptedPop3Peer()
    : listener_(kNone),
      connection_(kNone),
      port_(0),
      linesSeen_(0),
      stop_(false),
      clientClosed_(false),
      timedOut_(false) {
    StartSockets();
}

ScriptedPop3Peer::~ScriptedPop3Peer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (connection_ != kNone) CloseSocketHandle(connection_);
    if (listener_ != kNone) CloseSocketHandle(listener_);
    StopSockets();
}

ScriptedPop3Peer& ScriptedPop3Peer::Send(const std::string& bytes) {
    script_.push_back(Step{Step::kSend, bytes, 0});
    return *this;
}

ScriptedPop3Peer& ScriptedPop3Peer::Pause(int milliseconds) {
    script_.push_back(Step{Step::kPause, std::string(), milliseconds});
    return *this;
}

ScriptedPop3Peer& ScriptedPop3Peer::AwaitLine() {
    script_.push_back(Step{Step::kAwaitLine, std::string(), 0});
    return *this;
}

ScriptedPop3Peer& ScriptedPop3Peer::Hangup() {
    script_.push_back(Step{Step::kHangup, std::string(), 0});
    return *this;
}

ScriptedPop3Peer& ScriptedPop3Peer::Flood(const std::string& bytes) {
    script_.push_back(Step{Step::kFlood, bytes, 0});
    return *this;
}

bool ScriptedPop3Peer::Start() {
    listener_ = BoundLoopback(port_);
    if (listener_ == kNone || listen(Native(listener_), 1) != 0) return false;
    thread_ = std::thread(&ScriptedPop3Peer::Run, this);
    return true;
}

std::string ScriptedPop3Peer::Finish() {
    if (thread_.joinable()) thread_.join();
    return Received();
}

std::string ScriptedPop3Peer::Received() {
    std::lock_guard<std::mutex> guard(receivedLock_);
    return received_;
}

void ScriptedPop3Peer::Run() {
    int waited = 0;
    while (!stop_ && waited < kAcceptMillis && !WaitFor(listener_, false, kSliceMillis))
        waited += kSliceMillis;
    if (stop_ || waited >= kAcceptMillis) {
        timedOut_ = true;
        return;
    }
    connection_ = Handle(accept(Native(listener_), nullptr, nullptr));
    if (connection_ == kNone) return;
    int noDelay = 1;
    setsockopt(Native(connection_), IPPROTO_TCP, TCP_NODELAY,
               reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    for (const Step& step : script_) {
        if (!Play(step)) return;
    }
    for (waited = 0; waited < kDrainMillis && !stop_ && !clientClosed_; waited += kSliceMillis)
        ReadSome(kSliceMillis);
}

// False when the script ends here: hung up, or the client went away.
bool ScriptedPop3Peer::Play(const Step& step) {
    switch (step.kind) {
        case Step::kSend:
            send(Native(connection_), step.bytes.data(), static_cast<int>(step.bytes.size()),
                 kNoSignal);
            return true;
        case Step::kPause:
            for (int waited = 0; waited < step.milliseconds && !stop_; waited += kSliceMillis)
                std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMillis));
            return !stop_;
        case Step::kAwaitLine:
            return WaitForLine();
        case Step::kHangup:
            CloseSocketHandle(connection_);
            connection_ = kNone;
            return false;
        case Step::kFlood:
            return FloodUntilClosed(step.bytes);
    }
    return false;
}

// Records what arrives within the time; false once the client has closed.
bool ScriptedPop3Peer::ReadSome(int milliseconds) {
    if (!WaitFor(connection_, false, milliseconds)) return true;
    char chunk[4096];
    int count = static_cast<int>(recv(Native(connection_), chunk, sizeof chunk, 0));
    if (count <= 0) {
        clientClosed_ = true;
        return false;
    }
    std::lock_guard<std::mutex> guard(receivedLock_);
    received_.append(chunk, static_cast<std::size_t>(count));
    return true;
}

bool ScriptedPop3Peer::WaitForLine() {
    for (int waited = 0; waited < kLineMillis && !stop_; waited += kSliceMillis) {
        {
            std::lock_guard<std::mutex> guard(receivedLock_);
            std::size_t lines = 0;
            for (std::size_t at = received_.find("\r\n"); at != std::string::npos;
                 at = received_.find("\r\n", at + 2))
                ++lines;
            if (lines > linesSeen_) {
                ++linesSeen_;
                return true;
            }
        }
        if (!ReadSome(kSliceMillis)) return false;
    }
    timedOut_ = true;
    return false;
}

// Non-blocking, so a client that stops reading cannot hold the peer.
bool ScriptedPop3Peer::FloodUntilClosed(const std::string& bytes) {
    SetNonBlocking(connection_);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainMillis);
    while (!stop_ && std::chrono::steady_clock::now() < end) {
        if (!WaitFor(connection_, true, kSliceMillis)) continue;
        if (send(Native(connection_), bytes.data(), static_cast<int>(bytes.size()), kNoSignal) < 0 &&
            !WouldBlock()) {
            clientClosed_ = true;
            return false;
        }
    }
    timedOut_ = true;
    return false;
}

unsigned short UnusedLoopbackPort() {
    StartSockets();
    unsigned short port = 0;
    std::intptr_t handle = BoundLoopback(port);
    if (handle != kNone) CloseSocketHandle(handle);
    StopSockets();
    return port;
}

// With a backlog of 0 the system queues one connection that nobody accepts;
// the second filler's attempt and every later one go unanswered.
StalledLoopbackListener::StalledLoopbackListener() : listener_(kNone), port_(0) {
    StartSockets();
    listener_ = BoundLoopback(port_);
    if (listener_ == kNone || listen(Native(listener_), 0) != 0) {
        port_ = 0;
        return;
    }
    sockaddr_in address = Loopback(port_);
    for (int i = 0; i < 2; ++i) {
        std::intptr_t filler = Handle(socket(AF_INET, SOCK_STREAM, 0));
        if (filler == kNone || !SetNonBlocking(filler)) continue;
        fillers_.push_back(filler);
        connect(Native(filler), reinterpret_cast<sockaddr*>(&address), sizeof address);
        WaitFor(filler, true, 500);
    }
}

StalledLoopbackListener::~StalledLoopbackListener() {
    for (std::intptr_t filler : fillers_)
        CloseSocketHandle(filler);
    if (listener_ != kNone) CloseSocketHandle(listener_);
    StopSockets();
}
