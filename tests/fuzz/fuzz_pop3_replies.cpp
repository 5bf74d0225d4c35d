// Any server replies through USER, STAT, LIST, header retrieval and header field
// extraction: no crash, no sanitizer report, nothing outside the buffers. A
// scripted peer on 127.0.0.1 hangs up after the last reply, so no receive waits.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "pop3/Pop3Client.h"
#include "tests/fuzz/SplitInput.h"
#include "tests/support/ScriptedPop3Peer.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckField(Pop3Client& client, const char* source, const char* name) {
    char output[4096];
    std::memset(output, '#', sizeof output);
    Check(client.ExtractHeaderField(source, name, output) == 1);
    Check(std::memchr(output, '\0', 1024) != nullptr && output[1024] == '#');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 65536) return 0;
    // The USER and STAT reply, the LIST reply (sent twice), the TOP reply, a
    // field name and a header text. Each but the last is one read; in place of
    // an empty one the server hangs up, as a server that sends nothing more.
    std::vector<std::string> parts = SplitInput(data, size, 5);
    for (int i : {0, 1})
        parts[i].resize(std::min<std::size_t>(parts[i].size(), Pop3Client::kReceiveBufferSize - 1));
    ScriptedPop3Peer peer;
    peer.Send("+OK\r\n");
    for (int i : {0, 0, 1, 1, 2})
        if (!parts[i].empty())
            peer.AwaitLine().Send(parts[i]);
        else
            break;
    static Pop3Client client;
    if (peer.Hangup().Start() && client.Connect("127.0.0.1", peer.Port()) == 1) {
        client.SendUser("fuzz");
        client.Stat();
        const int listed = client.ListSize(1);
        Check(client.FetchHeader(1) == 1);
        const char* header = client.MessageBuffer();
        Check(std::strstr(header, "\r\n\r\n") == nullptr);
        Check(std::strlen(header) <= (listed < 0 ? 0u : std::min(listed, 65536) + 128u));
        CheckField(client, header, "Subject:");
    }
    client.Close();
    Check(!client.IsOpen());
    CheckField(client, parts[4].c_str(), parts[3].c_str());
    CheckField(client, parts[4].c_str(), "Subject:");
    return 0;
}
