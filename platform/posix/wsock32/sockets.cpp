// Windows Sockets over BSD sockets: see win_sockets.h for the meaning kept.
#define LETTERGLASS_WINSOCK_LAYER
#include <winsock.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

std::atomic<int> g_startups{0};
thread_local int t_lastError = 0;

int WinsockErrorOf(int error) {
    switch (error) {
        case EWOULDBLOCK:
        case EINPROGRESS:
            return WSAEWOULDBLOCK;
        case EALREADY:
            return WSAEALREADY;
        case EINTR:
            return WSAEINTR;
        case EFAULT:
            return WSAEFAULT;
        case EBADF:
        case ENOTSOCK:
            return WSAENOTSOCK;
        case ENETUNREACH:
            return WSAENETUNREACH;
        case EHOSTUNREACH:
            return WSAEHOSTUNREACH;
        case ECONNREFUSED:
            return WSAECONNREFUSED;
        case ETIMEDOUT:
            return WSAETIMEDOUT;
        case EPIPE:
        case ECONNRESET:
            return WSAECONNRESET;
        case ENOTCONN:
            return WSAENOTCONN;
        default:
            return WSAEINVAL;
    }
}

int Fail(int winsockError) {
    t_lastError = winsockError;
    return SOCKET_ERROR;
}

int FailWithErrno() {
    return Fail(WinsockErrorOf(errno));
}

int Descriptor(SOCKET s) {
    return s > static_cast<SOCKET>(INT_MAX) ? -1 : static_cast<int>(s);
}

// Descriptor 0 means "no connection" to the program, so a socket that the
// system hands out as 0 moves to the lowest free number above it.
int AwayFromZero(int fd) {
    if (fd != 0) return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 1);
    close(fd);
    return moved;
}

int PollTimeout(const timeval* timeout) {
    if (timeout == nullptr) return -1;
    if (timeout->tv_sec < 0 || timeout->tv_usec < 0) return 0;
    long long millis =
        static_cast<long long>(timeout->tv_sec) * 1000 + (timeout->tv_usec + 999) / 1000;
    return millis > INT_MAX ? INT_MAX : static_cast<int>(millis);
}

// poll, resumed with the time left when a signal interrupts it.
int PollFor(pollfd* polled, nfds_t count, int timeoutMillis) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMillis);
    for (;;) {
        int ready = poll(polled, count, timeoutMillis);
        if (ready >= 0 || errno != EINTR) return ready;
        if (timeoutMillis > 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            timeoutMillis = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
    }
}

struct SetWatch {
    WinsockFdSet* set;
    short asked;
};

void Watch(const SetWatch& watch, pollfd* polled, nfds_t& count) {
    if (watch.set == nullptr) return;
    for (unsigned int i = 0; i < watch.set->fd_count && i < FD_SETSIZE; ++i)
        polled[count++] = pollfd{Descriptor(watch.set->fd_array[i]), watch.asked, 0};
}

bool Ready(short asked, short returned) {
    if (asked == POLLIN) return (returned & (POLLIN | POLLHUP | POLLERR)) != 0;
    if (asked == POLLOUT) return (returned & POLLOUT) != 0 && (returned & POLLERR) == 0;
    return (returned & (POLLERR | POLLPRI)) != 0;
}

// Keeps in the set only the sockets found ready; returns how many remain.
int KeepReady(const SetWatch& watch, const pollfd* polled, nfds_t& next) {
    if (watch.set == nullptr) return 0;
    unsigned int kept = 0;
    unsigned int entries = watch.set->fd_count < FD_SETSIZE ? watch.set->fd_count : FD_SETSIZE;
    for (unsigned int i = 0; i < entries; ++i, ++next) {
        if (Ready(watch.asked, polled[next].revents))
            watch.set->fd_array[kept++] = watch.set->fd_array[i];
    }
    watch.set->fd_count = kept;
    return static_cast<int>(kept);
}

}  // namespace

// WSAStartup (WSOCK32): grants 2.0 for any request from 1.1 up.
int WSAStartup(WORD versionRequested, LPWSADATA data) {
    const int major = versionRequested & 0xFF;
    const int minor = versionRequested >> 8;
    if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
    if (data == nullptr) return WSAEFAULT;
    std::memset(data, 0, sizeof *data);
    data->wVersion = major >= 2 ? MAKEWORD(2, 0) : versionRequested;
    data->wHighVersion = MAKEWORD(2, 0);
    std::snprintf(data->szDescription, sizeof data->szDescription, "%s", "BSD sockets");
    std::snprintf(data->szSystemStatus, sizeof data->szSystemStatus, "%s", "Running");
    g_startups.fetch_add(1);
    return 0;
}

// WSACleanup (WSOCK32): one clean-up per start-up.
int WSACleanup() {
    int outstanding = g_startups.load();
    while (outstanding > 0 && !g_startups.compare_exchange_weak(outstanding, outstanding - 1)) {
    }
    return outstanding > 0 ? 0 : Fail(WSANOTINITIALISED);
}

// WSAGetLastError (WSOCK32).
int WSAGetLastError() {
    return t_lastError;
}

// socket (WSOCK32): close-on-exec, like a Windows handle that is not inherited.
SOCKET WinsockSocket(int family, int type, int protocol) {
    if (g_startups.load() == 0) {
        Fail(WSANOTINITIALISED);
        return INVALID_SOCKET;
    }
    int fd = socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd >= 0) fd = AwayFromZero(fd);
    if (fd < 0) {
        FailWithErrno();
        return INVALID_SOCKET;
    }
    return static_cast<SOCKET>(fd);
}

// connect (WSOCK32).
int WinsockConnect(SOCKET s, const sockaddr* name, int nameLength) {
    if (nameLength < 0) return Fail(WSAEFAULT);
    if (connect(Descriptor(s), name, static_cast<socklen_t>(nameLength)) != 0)
        return FailWithErrno();
    return 0;
}

// send (WSOCK32): no SIGPIPE, which Windows does not know.
int WinsockSend(SOCKET s, const char* bytes, int length, int flags) {
    assert(flags == 0 && "send: flags are not implemented");
    if (length < 0) return Fail(WSAEFAULT);
    ssize_t sent;
    do {
        sent = send(Descriptor(s), bytes, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? FailWithErrno() : static_cast<int>(sent);
}

// recv (WSOCK32).
int WinsockRecv(SOCKET s, char* bytes, int length, int flags) {
    assert(flags == 0 && "recv: flags are not implemented");
    if (length < 0) return Fail(WSAEFAULT);
    ssize_t received;
    do {
        received = recv(Descriptor(s), bytes, static_cast<size_t>(length), flags);
    } while (received < 0 && errno == EINTR);
    return received < 0 ? FailWithErrno() : static_cast<int>(received);
}

// closesocket (WSOCK32).
int closesocket(SOCKET s) {
    return close(Descriptor(s)) == 0 ? 0 : FailWithErrno();
}

// ioctlsocket (WSOCK32): FIONBIO switches non-blocking mode on (non-zero) or off.
int ioctlsocket(SOCKET s, long command, u_long* argument) {
    assert(command == static_cast<long>(FIONBIO) && "ioctlsocket: only FIONBIO is implemented");
    if (command != static_cast<long>(FIONBIO) || argument == nullptr) return Fail(WSAEINVAL);
    int fd = Descriptor(s);
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return FailWithErrno();
    flags = *argument != 0 ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return fcntl(fd, F_SETFL, flags) == 0 ? 0 : FailWithErrno();
}

// getsockopt (WSOCK32): SO_ERROR reads and clears the pending error.
int WinsockGetSockOpt(SOCKET s, int level, int name, char* value, int* valueLength) {
    assert(level == SOL_SOCKET && name == SO_ERROR && "getsockopt: only SO_ERROR is implemented");
    if (level != SOL_SOCKET || name != SO_ERROR) return Fail(WSAEINVAL);
    if (value == nullptr || valueLength == nullptr || *valueLength < static_cast<int>(sizeof(int)))
        return Fail(WSAEFAULT);
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(Descriptor(s), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return FailWithErrno();
    error = error == 0 ? 0 : WinsockErrorOf(error);
    std::memcpy(value, &error, sizeof error);
    *valueLength = sizeof error;
    return 0;
}

// select (WSOCK32), by poll: no descriptor number limit, no bit mask to overflow.
int WinsockSelect(int, WinsockFdSet* readable, WinsockFdSet* writable, WinsockFdSet* failed,
                  const timeval* timeout) {
    const SetWatch watches[3] = {{readable, POLLIN}, {writable, POLLOUT}, {failed, POLLPRI}};
    pollfd polled[3 * FD_SETSIZE];
    nfds_t count = 0;
    for (const SetWatch& watch : watches)
        Watch(watch, polled, count);
    if (count == 0) return Fail(WSAEINVAL);
    int ready = PollFor(polled, count, PollTimeout(timeout));
    if (ready < 0) return FailWithErrno();
    for (nfds_t i = 0; i < count; ++i) {
        if (polled[i].revents & POLLNVAL) return Fail(WSAENOTSOCK);
    }
    int kept = 0;
    nfds_t next = 0;
    for (const SetWatch& watch : watches)
        kept += KeepReady(watch, polled, next);
    return kept;
}

// FD_SET (WSOCK32 macro): adds a socket not yet present while there is room.
void WinsockFdSetAdd(SOCKET s, WinsockFdSet* set) {
    if (WinsockFdIsSet(s, set)) return;
    if (set->fd_count < FD_SETSIZE) set->fd_array[set->fd_count++] = s;
}

// FD_ISSET (WSOCK32 macro).
int WinsockFdIsSet(SOCKET s, const WinsockFdSet* set) {
    for (unsigned int i = 0; i < set->fd_count && i < FD_SETSIZE; ++i) {
        if (set->fd_array[i] == s) return 1;
    }
    return 0;
}
