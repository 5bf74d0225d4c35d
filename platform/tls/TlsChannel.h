// TLS over a connected socket: the one seam between the mail client and the
// system's TLS. Schannel on Windows (platform/tls/schannel), OpenSSL on Linux
// (platform/tls/openssl); CMake builds the one that fits the target. Both move
// their bytes with the Winsock calls the program already uses.
#pragma once

#include "platform/net/SocketWait.h"
#include "platform/win32.h"

class TlsChannel {
public:
    // Every wait of the handshake and of a read asks keepWaiting between its slices.
    explicit TlsChannel(net::KeepWaiting keepWaiting = {});
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Runs the client handshake over the connected, blocking socket within the
    // time limit: SNI with the host, and a certificate chain that ends at one of
    // the system's trusted roots and names the host (or, for a dotted address,
    // holds that address). On any failure nothing more is sent, the channel
    // stays closed and the socket is the caller's to close.
    bool Open(SOCKET connected, const char* host, long seconds);
    bool IsOpen() const { return session_ != nullptr; }

    // As send: every byte, or SOCKET_ERROR.
    int Send(const char* bytes, int length);
    // As recv: decrypted bytes, 0 when the server has closed, SOCKET_ERROR on a
    // failure or when the rest of a record does not come within the seconds.
    int Receive(char* bytes, int length, long seconds);
    // Bytes wait in the channel itself (decrypted, or received and not yet
    // decrypted), where a readiness wait on the socket cannot see them.
    bool HasBuffered() const;
    // Forgets the session; the socket stays open.
    void Close();

private:
    struct Session;
    Session* session_;
    net::KeepWaiting keepWaiting_;
};
