// Windows Sockets (WSOCK32) over BSD sockets: the calls the mail client makes,
// under their Winsock names and with their Winsock meaning.
//
// Where a Winsock name clashes with the C library (socket, connect, send, recv,
// select, getsockopt, fd_set and its macros), the name is mapped to our own
// function below, after every system header that declares the original.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <windef.h>

typedef UINT_PTR SOCKET;
#define INVALID_SOCKET ((SOCKET)(~0))
#define SOCKET_ERROR (-1)

#ifndef MAKEWORD
#define MAKEWORD(low, high) ((WORD)(((BYTE)(low)) | ((WORD)((BYTE)(high))) << 8))
#endif

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

#define WSAEINTR 10004
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEWOULDBLOCK 10035
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAENETUNREACH 10051
#define WSAECONNRESET 10054
#define WSAENOTCONN 10057
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTUNREACH 10065
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};
typedef WSADATA* LPWSADATA;

// Winsock's fd_set is a count and an array of sockets, not a bit mask, so any
// descriptor number fits; a full set ignores further additions.
#undef FD_SETSIZE
#define FD_SETSIZE 64
struct WinsockFdSet {
    unsigned int fd_count;
    SOCKET fd_array[FD_SETSIZE];
};

// WSAStartup (WSOCK32): versions from 1.1 up are granted (2.0 and above as
// 2.0); counts start-ups, each to be matched by one WSACleanup.
int WSAStartup(WORD versionRequested, LPWSADATA data);
// WSACleanup (WSOCK32): ends one start-up; SOCKET_ERROR with WSANOTINITIALISED
// when none is outstanding.
int WSACleanup();
// WSAGetLastError (WSOCK32): the error of this thread's last failed call.
int WSAGetLastError();

// socket (WSOCK32): fails with WSANOTINITIALISED before WSAStartup. The socket
// is never descriptor 0, which the program reads as "no connection".
SOCKET WinsockSocket(int family, int type, int protocol);
// connect (WSOCK32): on a non-blocking socket an attempt under way fails with
// WSAEWOULDBLOCK, as on Windows.
int WinsockConnect(SOCKET s, const sockaddr* name, int nameLength);
// send (WSOCK32): flags must be 0. A closed peer gives SOCKET_ERROR, never a
// signal.
int WinsockSend(SOCKET s, const char* bytes, int length, int flags);
// recv (WSOCK32): flags must be 0; 0 when the peer has closed.
int WinsockRecv(SOCKET s, char* bytes, int length, int flags);
// closesocket (WSOCK32).
int closesocket(SOCKET s);
// ioctlsocket (WSOCK32): FIONBIO only.
int ioctlsocket(SOCKET s, long command, u_long* argument);
// getsockopt (WSOCK32): SOL_SOCKET / SO_ERROR only, as a Winsock error code.
int WinsockGetSockOpt(SOCKET s, int level, int name, char* value, int* valueLength);
// select (WSOCK32): the count argument is ignored, as on Windows. A socket is
// readable when data waits, the peer has closed or the connection failed;
// writable once connected; in the exception set when a connection attempt
// failed. Leaves only the ready sockets in each set and returns their number;
// 0 on time-out (a null time-out waits without limit).
int WinsockSelect(int count, WinsockFdSet* readable, WinsockFdSet* writable, WinsockFdSet* failed,
                  const timeval* timeout);
// FD_SET / FD_ISSET (WSOCK32 macros).
void WinsockFdSetAdd(SOCKET s, WinsockFdSet* set);
int WinsockFdIsSet(SOCKET s, const WinsockFdSet* set);

// inet_addr, gethostbyname and htons (WSOCK32) are the C library's own, which
// keep the Winsock meaning for IPv4: INADDR_NONE for a text that is not a
// numeric address, an AF_INET host entry or none.

#ifndef LETTERGLASS_WINSOCK_LAYER
#define socket WinsockSocket
#define connect WinsockConnect
#define send WinsockSend
#define recv WinsockRecv
#define getsockopt WinsockGetSockOpt
#define select WinsockSelect
#define fd_set WinsockFdSet
#undef FD_ZERO
#undef FD_SET
#undef FD_ISSET
#undef FD_CLR
#define FD_ZERO(set) ((set)->fd_count = 0)
#define FD_SET(s, set) WinsockFdSetAdd((s), (set))
#define FD_ISSET(s, set) WinsockFdIsSet((s), (set))
#endif
