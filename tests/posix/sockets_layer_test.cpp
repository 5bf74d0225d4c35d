// The Linux Winsock layer where the POP3 tests cannot show it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include "platform/win32.h"
#include "tests/support/ScriptedPop3Peer.h"

namespace {

// Start-ups counted as Winsock counts them; descriptor 0 is "no connection" to the
// program; select takes any descriptor number and waits the time it is given; a full
// set takes no more; Windows reports a failed non-blocking connect as an exception only.
TEST(SocketsLayer, StartupsDescriptorsSelectAndARefusedAttempt) {
    WSADATA data;
    ASSERT_FALSE(WinsockStarted());
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_TRUE(WinsockStarted());
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_FALSE(WinsockStarted());
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
    EXPECT_TRUE(WinsockStarted()) << "a clean-up too many took a later start-up";

    const int input = dup(0);
    close(0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_LT(fcntl(0, F_GETFD), 0) << "0 is left free";
    dup2(input, 0);
    close(input);
    EXPECT_EQ(closesocket(s), 0);

    rlimit limit;
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max < 2100 ? limit.rlim_max : 2100;
    setrlimit(RLIMIT_NOFILE, &limit);
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    ASSERT_EQ(dup2(ends[0], 2000), 2000);
    fd_set set = {};
    for (SOCKET fd = 2000; fd < 2000 + FD_SETSIZE + 10; ++fd)
        FD_SET(fd, &set);
    EXPECT_EQ(set.fd_count, static_cast<unsigned>(FD_SETSIZE));
    set.fd_count = 1;
    timeval wait = {0, 300000};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(select(0, &set, nullptr, nullptr, &wait), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    set = {2, {static_cast<SOCKET>(ends[1]), 2000}};  // only the second becomes readable
    ASSERT_EQ(write(ends[1], "x", 1), 1);
    EXPECT_EQ(select(0, &set, nullptr, nullptr, &wait), 1);
    EXPECT_EQ(set.fd_array[0], 2000u);
    for (int fd : {2000, ends[0], ends[1]})
        close(fd);

    s = socket(AF_INET, SOCK_STREAM, 0);
    u_long on = 1;
    ASSERT_EQ(ioctlsocket(s, static_cast<long>(FIONBIO), &on), 0);
    sockaddr_in address = {AF_INET, htons(UnusedLoopbackPort()), {inet_addr("127.0.0.1")}, {}};
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), SOCKET_ERROR);
    ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    fd_set writable = {1, {s}}, failed = writable;
    wait = {5, 0};
    EXPECT_EQ(select(0, nullptr, &writable, &failed, &wait), 1);
    EXPECT_EQ(writable.fd_count + 2 * failed.fd_count, 2u) << "in the exception set only";
    int error = 0, length = sizeof error;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length), 0);
    EXPECT_EQ(error, WSAECONNREFUSED);
    EXPECT_EQ(closesocket(s), 0);
    EXPECT_EQ(WSACleanup(), 0);
}

}  // namespace
