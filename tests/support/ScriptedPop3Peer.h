// A scripted POP3 server for tests, on 127.0.0.1 at an ephemeral port in a
// thread of the test process: it accepts one client, plays the script against
// it and records every byte the client sends; after the last step it records
// until the client closes. Every wait is bounded, so a misbehaving client fails
// the test instead of hanging it. Natively and in the Windows build.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedPop3Peer {
public:
    ScriptedPop3Peer();
    ~ScriptedPop3Peer();
    ScriptedPop3Peer(const ScriptedPop3Peer&) = delete;
    ScriptedPop3Peer& operator=(const ScriptedPop3Peer&) = delete;

    // Script steps: send these bytes as one chunk; wait; wait for the client's
    // next command line; close the connection; send the bytes again and again
    // until the client closes (at most about 30 s).
    ScriptedPop3Peer& Send(const std::string& bytes) { return Add(kSend, bytes, 0); }
    ScriptedPop3Peer& Pause(int milliseconds) { return Add(kPause, "", milliseconds); }
    ScriptedPop3Peer& AwaitLine() { return Add(kAwaitLine, "", 0); }
    ScriptedPop3Peer& Hangup() { return Add(kHangup, "", 0); }
    ScriptedPop3Peer& Flood(const std::string& bytes) { return Add(kFlood, bytes, 0); }

    // Listens and plays in the background; false when it cannot listen.
    bool Start();
    unsigned short Port() const { return port_; }
    // Waits (at most about 30 s) until the client has closed or the script has
    // hung up, then returns every byte the client sent.
    std::string Finish();
    // The client closed the connection (the peer read its end of stream).
    bool ClientClosed() const { return clientClosed_; }

private:
    enum Kind { kSend, kPause, kAwaitLine, kHangup, kFlood };
    struct Step {
        Kind kind;
        std::string bytes;
        int milliseconds;
    };

    ScriptedPop3Peer& Add(Kind kind, const std::string& bytes, int milliseconds);
    void Run();
    bool Play(const Step& step);
    bool ReadSome();

    std::vector<Step> script_;
    std::intptr_t listener_, connection_;
    unsigned short port_ = 0;
    std::size_t lineEnd_ = 0;  // behind the last line awaited
    std::mutex lock_;
    std::string received_;
    std::atomic<bool> stop_{false}, clientClosed_{false};
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens: connecting is refused.
unsigned short UnusedLoopbackPort();

// A listener on 127.0.0.1 whose accept queue is full, so a further connection
// attempt gets no answer at all, as from an unreachable server.
class StalledLoopbackListener {
public:
    StalledLoopbackListener();
    ~StalledLoopbackListener();
    StalledLoopbackListener(const StalledLoopbackListener&) = delete;
    StalledLoopbackListener& operator=(const StalledLoopbackListener&) = delete;
    // 0 when the listener could not be set up.
    unsigned short Port() const { return port_; }

private:
    std::vector<std::intptr_t> sockets_;  // the listener, then the fillers
    unsigned short port_ = 0;
};
