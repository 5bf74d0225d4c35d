// Any server replies through USER, STAT, LIST, header retrieval and header field
// extraction: no crash, no sanitizer report, nothing outside the buffers. Each
// reply reaches the client through a socket pair whose far end is closed once
// the reply is written, so there is no network and no 3-second wait.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pop3/Pop3Client.h"
#include "tests/fuzz/SplitInput.h"
#include "tests/support/Pop3ClientProbe.h"

namespace {

const std::size_t kMessageLimit = 64 * 1024;  // kept behind the status room
// Connects the client to a server that has sent these bytes and hung up.
bool Serve(Pop3Client& client, const std::string& bytes) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return false;
    bool written = write(ends[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(ends[1]);
    Pop3ClientProbe::Adopt(client, static_cast<SOCKET>(ends[0]));
    return written;
}

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
    // The STAT, LIST and TOP replies, a field name and a header text.
    const std::vector<std::string> parts = SplitInput(data, size, 5);
    static Pop3Client client;

    if (Serve(client, parts[0])) client.Stat();
    client.Close();
    if (Serve(client, parts[0])) client.SendUser("fuzz");
    client.Close();

    // The LIST reply fills the first read (8191 bytes, NUL padded), so the TOP
    // reply comes to a read of its own.
    std::string listAndMessage = parts[1];
    listAndMessage.resize(
        std::max<std::size_t>(listAndMessage.size(), Pop3Client::kReceiveBufferSize - 1));
    listAndMessage += parts[2];
    int listed = Serve(client, listAndMessage) ? client.ListSize(1) : 0;
    client.Close();
    if (Serve(client, listAndMessage)) {
        Check(client.FetchHeader(1) == 1);
        Check(std::strstr(client.MessageBuffer(), "\r\n\r\n") == nullptr);
        const std::size_t length = std::strlen(client.MessageBuffer());
        const std::size_t kept =
            listed < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(listed), kMessageLimit);
        Check(listed < 0 ? length == 0 : length <= kept + 128);
        CheckField(client, client.MessageBuffer(), "Subject:");
    }
    client.Close();
    Check(!client.IsOpen());

    CheckField(client, parts[4].c_str(), parts[3].c_str());
    CheckField(client, parts[4].c_str(), "Subject:");
    return 0;
}
