// KERNEL32's code page conversions, as <winnls.h> declares them.
#pragma once

#include <windef.h>

#define CP_ACP 0
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008

// MultiByteToWideChar (KERNEL32): text in a code page (a Windows number; CP_ACP
// is the ANSI code page, 932) to UTF-16. length -1 takes the text up to and
// with its terminator. Returns the code units written, or with wideSize 0 the
// units needed; 0 on failure: an unknown code page, a bad parameter, output
// that does not fit, or, with MB_ERR_INVALID_CHARS, bytes that are no text of
// the code page. Without that flag such a byte becomes the code page's default
// character (U+FFFD for UTF-8, U+30FB for 932, '?' for the rest).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                        int wideSize);

// WideCharToMultiByte (KERNEL32): UTF-16 to a code page, counted as above. A
// character the code page cannot show becomes its default character '?' (and
// usedDefault, when given, is set); the one-way mappings iconv's tables hold
// (for 932 such as U+301C WAVE DASH to 0x8160) stand in for Windows' best fit.
// Only flags 0 and the code page's own default character (defaultChar NULL)
// are provided.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text,
                        int textSize, LPCSTR defaultChar, LPBOOL usedDefault);
