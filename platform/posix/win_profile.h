// Profile files and the current folder: KERNEL32's calls as the settings store
// uses them, over POSIX files.
#pragma once

#include "platform/posix/win_types.h"

// GetCurrentDirectoryA (KERNEL32): copies the current folder and returns its
// length; when it does not fit, returns the size needed (terminator included)
// and leaves the buffer untouched; 0 when the folder cannot be read.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);

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
