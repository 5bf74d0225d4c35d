// KERNEL32 as the program uses it: profile files, folders and the current
// folder over POSIX files, the module's path and handle, and the ANSI code page.
#pragma once

#include <windef.h>

typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_DIRECTORY 0x0010u
#define FILE_ATTRIBUTE_NORMAL 0x0080u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x0400u

// GetCurrentDirectoryA (KERNEL32): copies the current folder and returns its
// length; when it does not fit, returns the size needed (terminator included)
// and leaves the buffer untouched; 0 when the folder cannot be read.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);

// GetFileAttributesA (KERNEL32): FILE_ATTRIBUTE_DIRECTORY for a folder, else
// FILE_ATTRIBUTE_NORMAL (no other attribute is provided); a symbolic link
// counts as its target, a dangling one is FILE_ATTRIBUTE_REPARSE_POINT.
// INVALID_FILE_ATTRIBUTES when nothing is there.
DWORD GetFileAttributesA(LPCSTR path);

// CreateDirectoryA (KERNEL32): makes one folder, open to its owner only (it
// holds a password); its parent must exist. FALSE when it cannot be made or
// something is already there. Security attributes are not provided (assert).
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes);

// GetPrivateProfileStringA (KERNEL32): one key of one section. Section and key
// names compare case-insensitively, blanks around names and values are ignored,
// one pair of enclosing quotes is dropped from a value. The value, or the
// default (trailing blanks dropped) when the file, section or key is missing,
// is cut to size - 1 bytes without splitting a double-byte character; returns
// the bytes copied. Enumeration (NULL section or key) is not provided.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer,
                               DWORD size, LPCSTR fileName);

// WritePrivateProfileStringA (KERNEL32): sets one key, creating the file and the
// section when missing. Every other line is kept; the file is rewritten with
// CR LF line ends and replaced atomically. Deleting (NULL key or value) is not
// provided. Returns FALSE when the file cannot be written; the old file is then
// left as it was.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

// GetModuleHandleA (KERNEL32): the program's own instance; only NULL is provided.
HMODULE GetModuleHandleA(LPCSTR moduleName);

// GetModuleFileNameA (KERNEL32): the program's own path in code page 932, cut
// to size - 1 bytes; returns the bytes copied, or size when it was cut. Only
// the program itself (NULL) is provided.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// IsDBCSLeadByte (KERNEL32): whether the byte starts a double-byte character
// of code page 932.
BOOL IsDBCSLeadByte(BYTE byte);

// GetACP (KERNEL32): the ANSI code page. Fixed at 932 (Shift_JIS) here, so
// Japanese subjects decode and draw.
UINT GetACP();
