// Turns a header value holding RFC 2047 encoded-words into text of the code page
// the saver draws in, and carries the text-scanning operations the POP3 reply
// parsing shares.
#pragma once

#include <cstddef>

#include "platform/win32.h"

struct EncodedWord;

class HeaderDecoder {
public:
    // Each fixed work area holds this many bytes: 1023 characters and a terminator.
    static const int kAreaSize = 1024;
    // The scanning operations work on a copy of at most 8191 characters.
    static const int kScanSize = 8192;

    // The code page decoded text is converted to, which also decides whether JIS
    // codes convert, is read once, here: the process's own by default, or a
    // chosen one (tests exercise both paths).
    HeaderDecoder();
    explicit HeaderDecoder(UINT codePage);
    virtual ~HeaderDecoder();

    // Position one character after the start of the n-th occurrence of key, each
    // search resuming one character after the previous start; nullptr when absent.
    static const char* FindNth(const char* text, const char* key, int n);
    // The atoi rule: optional white space and sign, then digits up to the first
    // other character; 0 when there are none. Too many digits wrap modulo 2^32
    // the same way on every platform, where atoi itself would be undefined.
    static int LeadingNumber(const char* text);
    // Leading decimal number (atoi rule) of the text from skip characters after the
    // anchor's start (or the text's start when anchor is null) to the terminator.
    static int NumberBetween(const char* text, const char* anchor, const char* terminator,
                             int skip);
    // The same span copied into output (at least kAreaSize bytes; at most 1023
    // characters kept). Returns 1, or 0 leaving output untouched.
    static int TextBetween(const char* text, const char* anchor, const char* terminator, int skip,
                           char* output);

    // Decodes value into result (resultSize bytes, at least 1); result may be value's
    // own buffer. Never writes more than resultSize bytes, terminator included.
    // A word in an unknown charset, or whose text does not decode, stays as it is;
    // blanks between two decoded words go. A value without a decoded word that is
    // UTF-8 and not ASCII converts as a whole.
    void DecodeHeaderValue(const char* value, char* result, std::size_t resultSize) const;
    // 3 bytes per (possibly partial) group of four, then three zero bytes; reads at
    // most the source's first 1023 characters. destination holds kAreaSize bytes.
    void DecodeBase64(const char* source, unsigned char* destination) const;
    // ISO-2022-JP to Shift_JIS with lone LF made CR LF. source ends with two zero
    // bytes, as DecodeBase64 leaves it; destination holds kAreaSize bytes and
    // receives at most 1023 bytes and a terminator.
    void JisToShiftJis(const unsigned char* source, char* destination) const;

private:
    class ResultWriter;
    struct WorkAreas;

    // Copies at most size - 1 characters of text (null counts as empty) and a
    // terminator into area; returns the number of characters copied.
    static int CopyCut(const char* text, char* area, int size);
    // Copies text into the working area and finds the span both scanners read:
    // returns its start, with the copy ended at the terminator, or nullptr.
    static char* LocateSpan(const char* text, const char* anchor, const char* terminator, int skip,
                            char* copy);

    // The word's text in the code page into areas.converted; its length, or -1
    // when the word stays as it is.
    int ConvertWord(const EncodedWord& word, WorkAreas& areas) const;
    int ConvertJisWord(const EncodedWord& word, WorkAreas& areas) const;
    int ConvertText(UINT from, const char* text, int length, WorkAreas& areas) const;
    bool AppendRawUtf8(const char* value, int length, WorkAreas& areas, ResultWriter& out) const;
    unsigned int ConvertJis(unsigned int code) const;

    unsigned char reverse_[256];
    UINT codePage_;
    bool convertsJis_;
};
