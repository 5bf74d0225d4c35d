// The saver's one POP3 connection: a blocking TCP client, plain or over TLS, that
// collects replies with a 3-second readiness rule, and the read-only commands
// built on it.
#pragma once

#include "decode/HeaderDecoder.h"
#include "platform/tls/TlsChannel.h"
#include "platform/win32.h"

class Pop3Client {
public:
    static const int kReceiveBufferSize = 8192;

    Pop3Client();
    virtual ~Pop3Client();
    Pop3Client(const Pop3Client&) = delete;
    Pop3Client& operator=(const Pop3Client&) = delete;

    // Connection. With TLS the exchange is the same; a handshake or certificate
    // that fails makes the connect fail.
    int Connect(const char* host, int port, bool useTls = false);
    int ReceiveReply(char* output, int wanted);
    bool WaitReadable();
    int SendData(const char* bytes, int length);
    // During a wait, the close is carried out as soon as the waiting call is over.
    int Close();

    // Called between the slices of every network wait, at least every 50 ms,
    // so the saver window answers its input meanwhile; a Close it makes ends
    // the wait at once.
    using WaitCallback = void (*)();
    void SetWaitCallback(WaitCallback callback) { waitCallback_ = callback; }

    // Commands and header retrieval.
    int SendUser(const char* user);
    int SendPass(const char* password);
    int Stat();
    int ListSize(int messageNumber);
    int Top(int messageNumber, char* output, int wanted);
    int Retrieve(int messageNumber, char* output, int wanted);
    int FetchHeader(int messageNumber);
    int ExtractHeaderField(const char* source, const char* name, char* output);

    // What the check cycle and the close path read directly.
    bool IsOpen() const { return socket_ != 0; }
    char* ReceiveBuffer() { return receiveBuffer_; }
    const char* MessageBuffer() const { return messageBuffer_; }
    HeaderDecoder& Decoder() { return decoder_; }
    unsigned short Port() const { return port_; }
    const char* Host() const { return host_; }

private:
    class BusyScope;

    bool WaitFor(net::Await what, long seconds);
    bool KeepWaiting();
    bool ResolveHost(sockaddr_in& address);
    bool ConnectWithin(const sockaddr_in& address, long seconds);
    bool ConnectionFinished(long seconds);
    void AppendChunk(char* output, int wanted, int total, int count) const;
    int ReceiveMessageReply(char* output, int wanted);
    void DiscardRest();
    int SendLine(const char* line);
    bool ReplyPositive() const;
    bool ResizeMessageBuffer(int size);
    int Receive(char* bytes, int length);
    int Send(const char* bytes, int length);

    SOCKET socket_;
    TlsChannel tls_;
    HeaderDecoder decoder_;
    char host_[512];
    unsigned short port_;
    char receiveBuffer_[kReceiveBufferSize];
    char* messageBuffer_;
    WaitCallback waitCallback_;
    int busyDepth_;    // calls under way that may wait: a close then waits for them
    bool closeAsked_;  // a Close made during such a call
};
