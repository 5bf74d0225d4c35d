// Times one login plus n header fetches against a POP3 server, the way the check
// cycle runs them, and counts the message buffer's resizes. Measures, never judges:
//   pop3_timing HOST PORT USER PASSWORD N
// bench/pop3_timing.sh runs it against the tests' throwaway Dovecot.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "pop3/Pop3Client.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD N\n", argv[0]);
        return 2;
    }
    const int wanted = std::atoi(argv[5]);
    Pop3Client client;
    const Clock::time_point start = Clock::now();
    if (client.Connect(argv[1], std::atoi(argv[2])) != 1) {
        std::fprintf(stderr, "no connection\n");
        return 1;
    }
    const Clock::time_point connected = Clock::now();
    client.SendUser(argv[3]);
    const Clock::time_point user = Clock::now();
    client.SendPass(argv[4]);
    const Clock::time_point pass = Clock::now();
    const int count = client.Stat();
    const Clock::time_point stat = Clock::now();
    std::printf("connect %.3f s, USER %.3f s, PASS %.3f s, STAT %.3f s (%d messages)\n",
                Seconds(start, connected), Seconds(connected, user), Seconds(user, pass),
                Seconds(pass, stat), count);
    const int fetches = wanted < count ? wanted : count;
    Clock::time_point before = stat;
    for (int n = 1; n <= fetches; ++n) {
        client.FetchHeader(n);
        char subject[4096];
        client.ExtractHeaderField(client.MessageBuffer(), "Subject:", subject);
        client.Decoder().DecodeHeaderValue(subject, subject, sizeof subject);
        const Clock::time_point after = Clock::now();
        std::printf("  header %d: %.3f s  %s\n", n, Seconds(before, after), subject);
        before = after;
    }
    client.Close();
    std::printf("n = %d: total %.3f s\n", fetches, Seconds(start, Clock::now()));
    return 0;
}
