// Hands a Pop3Client a socket that is already connected (one end of a socket
// pair, say), as if Connect had succeeded: the client then owns it and one
// Winsock start-up, both released by its Close. Lets the fuzzer and tests feed
// replies without a server or a greeting.
#pragma once

#include "pop3/Pop3Client.h"

class Pop3ClientProbe {
public:
    static void Adopt(Pop3Client& client, SOCKET connected) {
        WSADATA startup;
        WSAStartup(MAKEWORD(2, 0), &startup);
        client.socket_ = connected;
    }
};
