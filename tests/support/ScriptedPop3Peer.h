// A scripted POP3 server for tests: it listens on 127.0.0.1 at an ephemeral
// port, in a thread of the test process, accepts one client and plays a script
// against it (send these bytes as one chunk, pause, wait for the client's next
// command line, hang up), recording every byte the client sends. Every wait is
// bounded, so a misbehaving client fails the test instead of hanging it.
//
//   ScriptedPop3Peer peer;
//   peer.Send("+OK ready\r\n").AwaitLine().Send("+OK\r\n");
//   ASSERT_TRUE(peer.Start());
//   client.Connect("127.0.0.1", peer.Port());
//   client.SendUser("alice");
//   client.Close();
//   EXPECT_EQ(peer.Finish(), "USER alice\r\n");
//   EXPECT_TRUE(peer.ClientClosed());
//
// After the last step the peer keeps the connection open and goes on
// recording until the client closes it. Works natively and in the Windows
// build (under Wine).
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

    // Script steps, played in order once a client has connected.
    ScriptedPop3Peer& Send(const std::string& bytes);
    ScriptedPop3Peer& Pause(int milliseconds);
    ScriptedPop3Peer& AwaitLine();
    ScriptedPop3Peer& Hangup();
    // Sends the bytes again and again, as a server that never stops, until
    // the client closes the connection (at most about 30 s).
    ScriptedPop3Peer& Flood(const std::string& bytes);

    // Listens and starts playing in the background; false when no listening
    // socket could be made.
    bool Start();
    unsigned short Port() const { return port_; }

    // Waits (at most about 30 s) until the client has closed its side or the
    // script has hung up, then returns every byte the client sent.
    std::string Finish();
    std::string Received();
    // The client closed the connection (the peer read its end of stream).
    bool ClientClosed() const { return clientClosed_; }
    // The script stopped early: no client came, or an awaited line never did.
    bool TimedOut() const { return timedOut_; }

private:
    struct Step {
        enum Kind { kSend, kPause, kAwaitLine, kHangup, kFlood } kind;
        std::string bytes;
        int milliseconds;
    };

    void Run();
    bool Play(const Step& step);
    bool ReadSome(int milliseconds);
    bool WaitForLine();
    bool FloodUntilClosed(const std::string& bytes);

    std::vector<Step> script_;
    std::intptr_t listener_;
    std::intptr_t connection_;
    unsigned short port_;
    std::size_t linesSeen_;
    std::mutex receivedLock_;
    std::string received_;
    std::atomic<bool> stop_;
    std::atomic<bool> clientClosed_;
    std::atomic<bool> timedOut_;
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
    std::intptr_t listener_;
    std::vector<std::intptr_t> fillers_;
    unsigned short port_;
};
