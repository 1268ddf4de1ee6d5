#pragma once
#include <unistd.h>

#include <cerrno>
#include <cstddef>

// Writes all of `size` bytes to `fd`, through short writes and signals; 0, or
// the errno value of the failure (EIO for a write that took nothing). Inline,
// so that the engine and the program share it without either importing it.
inline int WriteAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// Empties the local file `fd` before a download's first byte goes in, once;
// `emptied` starts true for a download that appends to it. 0, or the errno
// value of the failure.
inline int EmptyOnce(int fd, bool& emptied)
{
    if (emptied)
        return 0;
    if (::ftruncate(fd, 0) != 0)
        return errno;
    emptied = true;
    return 0;
}
