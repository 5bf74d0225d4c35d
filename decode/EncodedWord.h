// RFC 2047 encoded-words in a header value: where they are, and their B and Q texts
// decoded to bytes.
#pragma once

#include <cstddef>

struct EncodedWord {
    const char* start;  // its "=?"
    const char* charset;
    std::size_t charsetLength;
    char encoding;  // 'B' or 'Q'
    const char* text;
    std::size_t textLength;
    const char* end;  // just after its "?="
};

// The first encoded-word that starts at or after from, read as mail programs read
// them: "=?", a charset up to the next '?', one letter B or Q in either case, '?',
// and a text on one line up to the first "?=". false when there is none.
bool FindEncodedWord(const char* from, EncodedWord& word);

// Standard Base64, padding optional. Writes at most length * 3 / 4 bytes and
// returns their count; -1 when the text is not Base64 (a character outside the
// alphabet, '=' before the end, or a last group of one character).
int DecodeBase64Text(const char* text, std::size_t length, unsigned char* out);

// The Q encoding: '_' is a space, '=' and two hex digits (either case) one byte,
// anything else itself, a lone '=' included. Writes at most length bytes and
// returns their count.
int DecodeQText(const char* text, std::size_t length, unsigned char* out);
