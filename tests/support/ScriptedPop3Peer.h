// A scripted POP3 server on 127.0.0.1 at an ephemeral port, in a thread: accepts one client,
// plays the script, records every byte the client sends, then records until the client closes.
// Every wait is bounded, so a misbehaving client fails a test instead of hanging it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

class ScriptedPop3Peer {
public:
    ScriptedPop3Peer();
    ~ScriptedPop3Peer();

    // Steps: send one chunk; wait; wait for the client's next line; close;
    // send the bytes again and again until the client closes (at most 30 s).
    ScriptedPop3Peer& Send(const std::string& bytes) { return Add(kSend, bytes, 0); }
    ScriptedPop3Peer& Pause(int milliseconds) { return Add(kPause, "", milliseconds); }
    ScriptedPop3Peer& AwaitLine() { return Add(kAwaitLine, "", 0); }
    ScriptedPop3Peer& Hangup() { return Add(kHangup, "", 0); }
    ScriptedPop3Peer& Flood(const std::string& bytes) { return Add(kFlood, bytes, 0); }

    bool Start();  // false when it cannot listen
    unsigned short Port() const { return port_; }
    // Waits for the script's end (at most about 30 s); every byte the client sent.
    std::string Finish();
    bool ClientClosed() const { return clientClosed_; }

private:
    enum Kind { kSend, kPause, kAwaitLine, kHangup, kFlood };
    ScriptedPop3Peer& Add(Kind kind, const std::string& bytes, int milliseconds) {
        script_.emplace_back(kind, bytes, milliseconds);
        return *this;
    }
    void Run();
    bool Play(Kind kind, const std::string& bytes, int milliseconds);
    bool ReadSome();

    std::vector<std::tuple<Kind, std::string, int>> script_;
    std::uintptr_t listener_, connection_;
    unsigned short port_ = 0;
    std::string received_;     // the thread's until Finish joins it
    std::size_t lineEnd_ = 0;  // behind the last line awaited
    std::atomic<bool> stop_{false}, clientClosed_{false};
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens: connecting is refused.
unsigned short UnusedLoopbackPort();

// A listener on 127.0.0.1 whose accept queue is full: a further connection
// attempt gets no answer, as from an unreachable server. Port 0: not set up.
struct StalledLoopbackListener {
    StalledLoopbackListener();
    ~StalledLoopbackListener();
    std::uintptr_t sockets[3];
    unsigned short port = 0;
};

// A socket can be made: some Winsock start-up is outstanding.
bool WinsockStarted();
