// Code page 932, the layer's ANSI code page: the lead-byte test, conversion
// to and from UTF-8 with one mapping (iconv's "CP932" plus the single bytes
// Windows' table has and iconv's lacks), and the bounded copy every call that
// hands out text uses.
#pragma once

#include <cstddef>
#include <string>

namespace layer {

// The first byte of a double-byte character.
bool IsLeadByte(unsigned char byte);

// The character of one of the single bytes Windows' table has and iconv's
// "CP932" lacks (0x80, 0xA0, 0xFD to 0xFF); 0 for any other byte.
char16_t ExtraCharacter(unsigned char byte);

// UTF-8 from code page 932. A byte that starts no character, and a lead byte
// cut off at the end, become U+30FB, Windows' default character (a saver line
// typed a byte at a time shows it until the trail byte comes, as on Windows).
std::string Cp932ToUtf8(const char* text, std::size_t length);

// Code page 932 from UTF-8; a character outside the code page becomes '?'.
std::string Utf8ToCp932(const std::string& utf8);

// Copies text into a buffer of size bytes, cut to size - 1 bytes without
// splitting a double-byte character (a lead byte that ends the text is a
// byte of its own), and terminates it. Returns the bytes copied.
std::size_t CopyCut(const char* text, std::size_t length, char* buffer, std::size_t size);

}  // namespace layer
