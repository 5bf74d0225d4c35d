#include <sys/stat.h>

#include <cassert>

#include <winbase.h>

// GetFileAttributesA (KERNEL32)
// A symbolic link counts as its target; a dangling one is, as on Windows, the
// link itself.
DWORD GetFileAttributesA(LPCSTR path) {
    struct stat info;
    if (!path || stat(path, &info) != 0)
        return path && lstat(path, &info) == 0 ? FILE_ATTRIBUTE_REPARSE_POINT
                                               : INVALID_FILE_ATTRIBUTES;
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

// CreateDirectoryA (KERNEL32)
// Windows gives a folder under the user's profile to the user alone; 0700 does
// the same here, whatever the umask.
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes) {
    assert(!attributes && "CreateDirectoryA: security attributes are not provided");
    if (!path || attributes || mkdir(path, 0700) != 0) return FALSE;
    return chmod(path, 0700) == 0;
}
