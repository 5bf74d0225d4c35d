// What TLS adds to a connect, the way the check cycle connects: the time from
// Connect to the greeting, plain and over TLS (the difference is the
// handshake), and the process memory that an open TLS connection and the TLS
// libraries add. Measures, never judges:
//   tls_handshake HOST PORT TLSHOST TLSPORT N
// bench/tls_handshake.sh runs it natively and under Wine against the tests'
// throwaway Dovecot.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "pop3/Pop3Client.h"

#ifdef _WIN32
#include <psapi.h>
#else
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Resident and private memory of the process, in KiB.
struct Memory {
    long resident;
    long committed;
};

Memory Now() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(),
                         reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return {static_cast<long>(counters.WorkingSetSize / 1024),
            static_cast<long>(counters.PrivateUsage / 1024)};
#else
    long pages = 0;
    long resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm != nullptr) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    long data = 0;
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status != nullptr) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr)
            std::sscanf(line, "VmData: %ld", &data);
        std::fclose(status);
    }
    return {resident * (sysconf(_SC_PAGESIZE) / 1024), data};
#endif
}

// Milliseconds from Connect to the greeting; negative when it failed.
double ConnectMillis(Pop3Client& client, const char* host, int port, bool tls) {
    const Clock::time_point start = Clock::now();
    const int connected = client.Connect(host, port, tls);
    const double millis = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return connected == 1 ? millis : -1.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void PrintMemory(const char* what, const Memory& at, const Memory& base) {
    std::printf("  %-34s resident %+6ld KiB, private %+6ld KiB\n", what, at.resident - base.resident,
                at.committed - base.committed);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s HOST PORT TLSHOST TLSPORT N\n", argv[0]);
        return 2;
    }
    const char* host = argv[1];
    const int port = std::atoi(argv[2]);
    const char* tlsHost = argv[3];
    const int tlsPort = std::atoi(argv[4]);
    const int rounds = std::max(1, std::atoi(argv[5]));

    Pop3Client client;
    // Warm the plain path first, so that the baseline holds what any check has.
    if (ConnectMillis(client, host, port, false) < 0) {
        std::fprintf(stderr, "no plain connection\n");
        return 1;
    }
    client.Close();
    const Memory base = Now();
    const double firstTls = ConnectMillis(client, tlsHost, tlsPort, true);
    if (firstTls < 0) {
        std::fprintf(stderr, "no TLS connection (is the test CA trusted?)\n");
        return 1;
    }
    const Memory open = Now();
    client.Close();
    const Memory closed = Now();

    std::vector<double> plain;
    std::vector<double> secure;
    for (int i = 0; i < rounds; ++i) {
        plain.push_back(ConnectMillis(client, host, port, false));
        client.Close();
        secure.push_back(ConnectMillis(client, tlsHost, tlsPort, true));
        client.Close();
    }
    const Memory after = Now();

    std::printf("connect to greeting, %d rounds (median, min):\n", rounds);
    std::printf("  plain   %7.2f ms  %7.2f ms\n", Median(plain),
                *std::min_element(plain.begin(), plain.end()));
    std::printf("  TLS     %7.2f ms  %7.2f ms   (first: %.2f ms)\n", Median(secure),
                *std::min_element(secure.begin(), secure.end()), firstTls);
    std::printf("  handshake adds about %.2f ms\n", Median(secure) - Median(plain));
    std::printf("memory against a warm plain client:\n");
    PrintMemory("first TLS connection open", open, base);
    PrintMemory("after its close", closed, base);
    PrintMemory("after all rounds", after, base);
    return 0;
}
