#include <sys/stat.h>
#include <unistd.h>

#include <cassert>

#include <winbase.h>

// GetFileAttributesA (KERNEL32)
// The read-only attribute stands for what the profile functions refuse to
// write: a file without write permission for anyone, or not for the caller.
DWORD GetFileAttributesA(LPCSTR path) {
    struct stat info;
    if (!path || stat(path, &info) != 0)
        return path && lstat(path, &info) == 0 ? FILE_ATTRIBUTE_REPARSE_POINT
                                               : INVALID_FILE_ATTRIBUTES;
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    const bool readOnly = (info.st_mode & 0222) == 0 || access(path, W_OK) != 0;
    return readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

// CreateDirectoryA (KERNEL32)
// Windows gives a folder under the user's profile to the user alone; 0700 does
// the same here, whatever the umask.
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes) {
    assert(!attributes && "CreateDirectoryA: security attributes are not provided");
    if (!path || attributes || mkdir(path, 0700) != 0) return FALSE;
    return chmod(path, 0700) == 0;
}
