// The Linux Winsock layer: what the client tests cannot show (start-up
// counting, descriptor numbers, the count+array fd_set, Windows' way of
// reporting a failed connection attempt, no SIGPIPE).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "platform/win32.h"
#include "tests/support/ScriptedPop3Peer.h"

namespace {

class SocketsLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
        EXPECT_EQ(data.wVersion, MAKEWORD(2, 0));
    }
    void TearDown() override { EXPECT_EQ(WSACleanup(), 0); }
};

// A connected pair of sockets; the test owns both descriptors.
void SocketPair(int ends[2]) {
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
}

TEST(SocketsLayer, StartupsAreCountedAndCleanupsNeverGoBelowZero) {
    const int before = WinsockStartupCount();
    WSADATA data;
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(WinsockStartupCount(), before + 2);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WinsockStartupCount(), before);
    if (before == 0) {
        EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
        EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
        EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET)
            << "Winsock needs a start-up first";
        EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
        EXPECT_EQ(WinsockStartupCount(), 0);
    }
}

// 0 is "no connection" to the program.
TEST_F(SocketsLayerTest, SocketIsNeverDescriptorZero) {
    const int savedInput = dup(0);
    ASSERT_GE(savedInput, 0);
    close(0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    const bool zeroStillFree = fcntl(0, F_GETFD) < 0;
    dup2(savedInput, 0);
    close(savedInput);
    ASSERT_NE(s, INVALID_SOCKET);
    EXPECT_NE(s, 0u);
    EXPECT_TRUE(zeroStillFree);
    EXPECT_EQ(closesocket(s), 0);
}

TEST_F(SocketsLayerTest, SelectServesDescriptorsBeyondTheBsdSetSize) {
    rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_cur < 2100 && limit.rlim_max >= 2100) {
        limit.rlim_cur = 2100;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    int ends[2];
    SocketPair(ends);
    const int high = dup2(ends[0], 2000);
    ASSERT_GE(high, 0) << "no descriptor 2000 available";
    ASSERT_EQ(write(ends[1], "x", 1), 1);

    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(high), &readable);
    timeval limit3 = {3, 0};
    EXPECT_EQ(select(0, &readable, nullptr, nullptr, &limit3), 1);
    EXPECT_TRUE(FD_ISSET(static_cast<SOCKET>(high), &readable));

    char byte;
    ASSERT_EQ(recv(static_cast<SOCKET>(high), &byte, 1, 0), 1);
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(high), &readable);
    timeval brief = {0, 200000};
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(select(0, &readable, nullptr, nullptr, &brief), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_EQ(readable.fd_count, 0u);
    close(high);
    close(ends[0]);
    close(ends[1]);
}

TEST_F(SocketsLayerTest, FullSetIgnoresFurtherSockets) {
    fd_set set;
    FD_ZERO(&set);
    for (SOCKET s = 100; s < 100 + FD_SETSIZE + 10; ++s)
        FD_SET(s, &set);
    FD_SET(100, &set);
    EXPECT_EQ(set.fd_count, static_cast<unsigned int>(FD_SETSIZE));
    EXPECT_TRUE(FD_ISSET(100, &set));
    EXPECT_FALSE(FD_ISSET(100 + FD_SETSIZE, &set));
}

// Windows reports a failed non-blocking connect in the exception set only.
TEST_F(SocketsLayerTest, RefusedAttemptShowsInTheExceptionSet) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    u_long on = 1;
    ASSERT_EQ(ioctlsocket(s, static_cast<long>(FIONBIO), &on), 0);
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(UnusedLoopbackPort());
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    int result = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ASSERT_EQ(result, SOCKET_ERROR);
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval limit = {5, 0};
        EXPECT_EQ(select(0, nullptr, &writable, &failed, &limit), 1);
        EXPECT_FALSE(FD_ISSET(s, &writable));
        EXPECT_TRUE(FD_ISSET(s, &failed));
        int soError = 0;
        int length = sizeof soError;
        EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &length),
                  0);
        EXPECT_EQ(soError, WSAECONNREFUSED);
    } else {
        EXPECT_EQ(error, WSAECONNREFUSED);
    }
    EXPECT_EQ(closesocket(s), 0);
}

TEST_F(SocketsLayerTest, SendingToAClosedPeerFailsWithoutASignal) {
    int ends[2];
    SocketPair(ends);
    close(ends[1]);
    EXPECT_EQ(send(static_cast<SOCKET>(ends[0]), "data", 4, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
    char byte;
    EXPECT_EQ(recv(static_cast<SOCKET>(ends[0]), &byte, 1, 0), 0) << "end of stream";
    close(ends[0]);
}

}  // namespace
