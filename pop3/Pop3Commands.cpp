// The commands (USER, PASS, STAT, LIST n, TOP n 0 and RETR n: nothing that
// deletes or changes a message, and no QUIT), header retrieval and header field
// extraction.
#include "pop3/Pop3Client.h"

#include <cstdlib>
#include <cstring>

namespace {

// wsprintfA writes up to this many bytes, so every area it formats into has them.
const int kLineSize = HeaderDecoder::kAreaSize;
const int kKeyLength = 255;
// Room behind the LIST size for the status line and the terminator.
const int kStatusRoom = 128;
// The header scan reads no further than the first 8191 characters, so more of
// a message than this is never kept, whatever size LIST reports.
const int kMessageLimit = 64 * 1024;

const char* TextOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

// Joins continuation lines into the value that starts at position: a line
// break followed by a space or tab is removed and the blank stays, as the
// sender's line was before it was folded; the first other line break ends the
// value.
void Unfold(char* position) {
    for (;;) {
        char* lineEnd = std::strstr(position, "\r\n");
        if (lineEnd == nullptr) return;
        if (lineEnd[2] != ' ' && lineEnd[2] != '\t') {
            lineEnd[0] = '\0';
            lineEnd[1] = '\0';
            return;
        }
        std::memmove(lineEnd, lineEnd + 2, std::strlen(lineEnd + 2) + 1);
        position = lineEnd + 1;
    }
}

// The unfolded value of the first field line that the key (CR LF and the field
// name) starts, inside the working copy; an empty text when there is none.
const char* FieldValue(char* copy, const char* key) {
    const char* empty = "";
    const char* lineStart = HeaderDecoder::FindNth(copy, key, 1);
    if (lineStart == nullptr) return empty;
    const char* afterColon = HeaderDecoder::FindNth(lineStart, ":", 1);
    if (afterColon == nullptr || *afterColon == '\0') return empty;
    // The character after the colon is skipped whatever it is: normally the space.
    char* value = copy + (afterColon - copy) + 1;
    Unfold(value);
    return value;
}

}  // namespace

int Pop3Client::SendLine(const char* line) {
    return SendData(line, static_cast<int>(std::strlen(line)));
}

// A reply is positive when "+OK" occurs anywhere in it, not only at its start.
bool Pop3Client::ReplyPositive() const {
    return std::strstr(receiveBuffer_, "+OK") != nullptr;
}

int Pop3Client::SendUser(const char* user) {
    char line[kLineSize];
    wsprintfA(line, "USER %s\r\n", TextOrEmpty(user));
    SendLine(line);
    ReceiveReply(nullptr, 1);
    return ReplyPositive() ? 1 : 0;
}

// The PASS reply is read with a wanted length of 1024, so it normally ends 3
// seconds after the reply's last chunk.
int Pop3Client::SendPass(const char* password) {
    char line[kLineSize];
    wsprintfA(line, "PASS %s\r\n", TextOrEmpty(password));
    SendLine(line);
    ReceiveReply(nullptr, 1024);
    return ReplyPositive() ? 1 : 0;
}

// The count is the number between the reply's first and second space, kept to
// its low 16 bits as a signed value: counts from 32768 up come out negative.
int Pop3Client::Stat() {
    char line[kLineSize];
    wsprintfA(line, "STAT\r\n");
    SendLine(line);
    ReceiveReply(nullptr, 1);
    const char* afterSpace = decoder_.FindNth(receiveBuffer_, " ", 1);
    return static_cast<short>(decoder_.NumberBetween(afterSpace, nullptr, " ", 0));
}

// The size is the number between the reply's second space and the next CR LF.
int Pop3Client::ListSize(int messageNumber) {
    char line[kLineSize];
    wsprintfA(line, "LIST %d\r\n", messageNumber);
    SendLine(line);
    ReceiveReply(nullptr, 1);
    const char* afterSecondSpace = decoder_.FindNth(receiveBuffer_, " ", 2);
    return decoder_.NumberBetween(afterSecondSpace, nullptr, "\r\n", 0);
}

// The header and no body line: unlike RETR, TOP does not mark the message read.
int Pop3Client::Top(int messageNumber, char* output, int wanted) {
    char line[kLineSize];
    wsprintfA(line, "TOP %d 0\r\n", messageNumber);
    SendLine(line);
    return ReceiveMessageReply(output, wanted);
}

int Pop3Client::Retrieve(int messageNumber, char* output, int wanted) {
    char line[kLineSize];
    wsprintfA(line, "RETR %d\r\n", messageNumber);
    SendLine(line);
    return ReceiveMessageReply(output, wanted);
}

// Reads the TOP reply (RETR for a server that refuses TOP) into a message
// buffer of the LIST size, at most kMessageLimit, plus room for the status
// line, and keeps the text up to the first empty line: the status line and the
// header lines. A negative size leaves the header text empty and sends neither.
int Pop3Client::FetchHeader(int messageNumber) {
    int size = ListSize(messageNumber);
    int wanted = (size < kMessageLimit ? size : kMessageLimit) + kStatusRoom;
    if (size < 0 || !ResizeMessageBuffer(wanted + 1)) {
        if (messageBuffer_ != nullptr) messageBuffer_[0] = '\0';
        return 1;
    }
    messageBuffer_[wanted] = '\0';
    // Judged by the status line at the start of the reply: the receive buffer
    // holds only the reply's last chunk.
    Top(messageNumber, messageBuffer_, wanted);
    if (std::strncmp(messageBuffer_, "+OK", 3) != 0)
        Retrieve(messageNumber, messageBuffer_, wanted);
    char* emptyLine = std::strstr(messageBuffer_, "\r\n\r\n");
    if (emptyLine != nullptr) *emptyLine = '\0';
    return 1;
}

// On failure the old buffer stays, unchanged.
bool Pop3Client::ResizeMessageBuffer(int size) {
    char* resized = static_cast<char*>(std::realloc(messageBuffer_, static_cast<size_t>(size)));
    if (resized == nullptr) return false;
    messageBuffer_ = resized;
    return true;
}

// The value of the first line that starts with the field name (case-sensitive),
// unfolded, cut to 1023 characters; empty when the field is missing or only
// occurs beyond the first 8191 characters of the source.
int Pop3Client::ExtractHeaderField(const char* source, const char* name, char* output) {
    char key[kLineSize];
    wsprintfA(key, "\r\n%s", TextOrEmpty(name));
    key[kKeyLength] = '\0';
    char copy[HeaderDecoder::kScanSize];
    const char* text = TextOrEmpty(source);
    size_t length = strnlen(text, sizeof copy - 1);
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    if (output != nullptr) wsprintfA(output, "%s", FieldValue(copy, key));
    return 1;
}
