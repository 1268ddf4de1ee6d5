#include "engine/LocalDownloadFile.h"

#include "platform/LastError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

LocalDownloadFile::~LocalDownloadFile()
{
    if (fd >= 0)
        ::close(fd);
}

bool LocalDownloadFile::Open(const std::string& path, bool failIfExists)
{
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
    fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0)
        return Fail();
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return Fail();
    if (!S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
        errno = EPERM;
        return Fail();
    }
    // Truncate only now: opening with O_TRUNC would empty a file we then refuse.
    if (::ftruncate(fd, 0) != 0)
        return Fail();
    return true;
}

bool LocalDownloadFile::Write(const char* bytes, std::size_t size)
{
    if (!asciiToLocal)
        return WriteAll(bytes, size);
    converted.clear();
    converted.reserve(size + 1);
    std::size_t at = 0;
    if (carriageReturnHeld && size > 0) {
        carriageReturnHeld = false;
        if (bytes[0] != '\n')
            converted += '\r';
    }
    for (; at < size; ++at) {
        if (bytes[at] != '\r') {
            converted += bytes[at];
            continue;
        }
        if (at + 1 == size)
            carriageReturnHeld = true;
        else if (bytes[at + 1] != '\n')
            converted += '\r';
    }
    return WriteAll(converted.data(), converted.size());
}

bool LocalDownloadFile::Finish()
{
    if (carriageReturnHeld && !WriteAll("\r", 1))
        return false;
    carriageReturnHeld = false;
    const int result = ::close(fd);
    fd = -1;
    return result == 0 || Fail();
}

bool LocalDownloadFile::WriteAll(const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail();
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool LocalDownloadFile::Fail()
{
    SetLastError(errno);
    return false;
}
