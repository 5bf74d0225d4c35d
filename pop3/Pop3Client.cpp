// The connection: connect, the bounded receive and send loops, close.
#include "pop3/Pop3Client.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/net/SocketWait.h"

namespace {

const int kInitialMessageBufferSize = 256;
const unsigned short kDefaultPort = 110;
const long kReadinessSeconds = 3;
// An unreachable server would otherwise hold the saver for the system's
// connect time-out, which can be minutes. A TLS handshake has as long again.
const long kConnectSeconds = 5;
// A server that never stops sending must not hold the saver: a reply still
// arriving this long after its first read is cut off with the connection. A
// header reply's rest is discarded under its own such limit, so one fetch
// takes at most about 2 x 30 + 3 seconds.
const std::chrono::seconds kReplyTimeLimit(30);
// What of a message reply beyond its area is read and dropped at most: far
// more than any header, enough for the whole of most messages when the server
// knows no TOP.
const long long kDiscardByteLimit = 32LL << 20;

using Clock = std::chrono::steady_clock;

}  // namespace

// Marks a call that may wait, so that a Close made from the wait callback
// never frees the socket or the TLS session under it: the close is carried
// out when the outermost such call is over.
class Pop3Client::BusyScope {
public:
    explicit BusyScope(Pop3Client& client) : client_(client) { ++client_.busyDepth_; }
    ~BusyScope() {
        if (--client_.busyDepth_ == 0 && client_.closeAsked_) client_.Close();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Pop3Client& client_;
};

Pop3Client::Pop3Client()
    : socket_(0),
      tls_([this] { return KeepWaiting(); }),
      decoder_(),
      host_(),
      port_(0),
      receiveBuffer_(),
      messageBuffer_(static_cast<char*>(std::malloc(kInitialMessageBufferSize))),
      waitCallback_(nullptr),
      busyDepth_(0),
      closeAsked_(false) {
    if (messageBuffer_ != nullptr) messageBuffer_[0] = '\0';
}

Pop3Client::~Pop3Client() {
    std::free(messageBuffer_);
    if (socket_ != 0) Close();
}

int Pop3Client::Connect(const char* host, int port, bool useTls) {
    // A failed attempt must not leave an earlier check's greeting on show.
    std::memset(receiveBuffer_, 0, sizeof receiveBuffer_);
    std::snprintf(host_, sizeof host_, "%s", host != nullptr ? host : "");
    port_ = static_cast<unsigned short>(port);
    closeAsked_ = false;
    BusyScope busy(*this);

    WSADATA startup;
    if (WSAStartup(MAKEWORD(2, 0), &startup) != 0) return 0;
    socket_ = socket(AF_INET, SOCK_STREAM, 0);
    if (socket_ == INVALID_SOCKET) {
        socket_ = 0;
        WSACleanup();
        return 0;
    }
    sockaddr_in address;
    if (!ResolveHost(address) || !ConnectWithin(address, kConnectSeconds) ||
        (useTls && !tls_.Open(socket_, host_, kConnectSeconds))) {
        closesocket(socket_);
        socket_ = 0;
        WSACleanup();
        return 0;
    }
    ReceiveReply(nullptr, 1);
    return 1;
}

// A numeric address is used as it is: a reverse lookup would refuse servers
// whose address has no name.
bool Pop3Client::ResolveHost(sockaddr_in& address) {
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(host_);
    if (address.sin_addr.s_addr == INADDR_NONE) {
        const hostent* entry = gethostbyname(host_);
        if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4 ||
            entry->h_addr_list[0] == nullptr)
            return false;
        std::memcpy(&address.sin_addr, entry->h_addr_list[0], 4);
    }
    if (port_ == 0) port_ = kDefaultPort;
    address.sin_port = htons(port_);
    return true;
}

// Connects in non-blocking mode so the attempt can be bounded, then returns the
// socket to blocking mode for the exchange.
bool Pop3Client::ConnectWithin(const sockaddr_in& address, long seconds) {
    u_long nonBlocking = 1;
    if (ioctlsocket(socket_, static_cast<long>(FIONBIO), &nonBlocking) != 0) return false;
    if (connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        (WSAGetLastError() != WSAEWOULDBLOCK || !ConnectionFinished(seconds)))
        return false;
    u_long blocking = 0;
    return ioctlsocket(socket_, static_cast<long>(FIONBIO), &blocking) == 0;
}

// Windows reports a failed attempt in the exception set, BSD sockets as
// writable with an error: both end the wait, and SO_ERROR tells which.
bool Pop3Client::ConnectionFinished(long seconds) {
    if (!WaitFor(net::Await::kConnected, seconds)) return false;
    int error = 0;
    int length = sizeof error;
    if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
        return false;
    return error == 0;
}

int Pop3Client::ReceiveReply(char* output, int wanted) {
    if (output != nullptr && wanted > 0) std::memset(output, 0, static_cast<size_t>(wanted));
    std::memset(receiveBuffer_, 0, sizeof receiveBuffer_);
    if (socket_ == 0) return 0;
    const Clock::time_point cutOff = Clock::now() + kReplyTimeLimit;
    int total = 0;
    // The first read waits like the later ones: a server that accepts and
    // stays silent ends the receive with nothing.
    while (WaitReadable()) {
        int count = Receive(receiveBuffer_, kReceiveBufferSize - 1);
        if (count <= 0) break;
        AppendChunk(output, wanted, total, count);
        total = count > INT_MAX - total ? INT_MAX : total + count;
        if (total >= wanted) break;
        if (Clock::now() >= cutOff) {
            Close();
            break;
        }
    }
    return total;
}

// A message reply (TOP, RETR) is read to its end: what does not fit the
// output area is dropped, so the next command reads its own reply.
int Pop3Client::ReceiveMessageReply(char* output, int wanted) {
    int total = ReceiveReply(output, wanted);
    if (total >= wanted) DiscardRest();
    return total;
}

// Reads and drops data under the 3-second rule; the receive buffer is
// overlaid as in any receive.
void Pop3Client::DiscardRest() {
    const Clock::time_point cutOff = Clock::now() + kReplyTimeLimit;
    long long dropped = 0;
    while (socket_ != 0 && WaitReadable()) {
        int count = Receive(receiveBuffer_, kReceiveBufferSize - 1);
        if (count <= 0) return;
        dropped += count;
        if (dropped > kDiscardByteLimit || Clock::now() >= cutOff) {
            Close();
            return;
        }
    }
}

// Copies the chunk now at the start of the receive buffer behind the bytes
// already in the output area, as far as the wanted length leaves room.
void Pop3Client::AppendChunk(char* output, int wanted, int total, int count) const {
    if (output == nullptr || total >= wanted) return;
    int room = wanted - total;
    std::memcpy(output + total, receiveBuffer_, static_cast<size_t>(count < room ? count : room));
}

// Bytes the TLS channel already holds are ready without a wait: the socket
// no longer shows them.
bool Pop3Client::WaitReadable() {
    if (tls_.HasBuffered()) return true;
    return WaitFor(net::Await::kReadable, kReadinessSeconds);
}

bool Pop3Client::WaitFor(net::Await what, long seconds) {
    BusyScope busy(*this);
    return net::WaitFor(socket_, what, net::After(seconds), [this] { return KeepWaiting(); });
}

// The window's look at its input between two slices of a wait.
bool Pop3Client::KeepWaiting() {
    if (waitCallback_ != nullptr && !closeAsked_) waitCallback_();
    return !closeAsked_;
}

int Pop3Client::SendData(const char* bytes, int length) {
    if (bytes == nullptr || length <= 0 || socket_ == 0) return 0;
    int sent = 0;
    while (sent < length) {
        int accepted = Send(bytes + sent, length - sent);
        if (accepted == SOCKET_ERROR) return sent;
        sent += accepted;
    }
    return sent;
}

// Every read and write of the exchange passes here, plain or through TLS.
int Pop3Client::Receive(char* bytes, int length) {
    BusyScope busy(*this);
    return tls_.IsOpen() ? tls_.Receive(bytes, length, kReadinessSeconds)
                         : recv(socket_, bytes, length, 0);
}

int Pop3Client::Send(const char* bytes, int length) {
    return tls_.IsOpen() ? tls_.Send(bytes, length) : send(socket_, bytes, length, 0);
}

int Pop3Client::Close() {
    if (socket_ == 0) return 0;
    if (busyDepth_ > 0) {
        closeAsked_ = true;
        return 1;
    }
    closeAsked_ = false;
    tls_.Close();
    closesocket(socket_);
    WSACleanup();
    socket_ = 0;
    return 1;
}
