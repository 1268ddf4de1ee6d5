#include "transfer/LocalUploadFile.h"

#include "platform/LastError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

LocalUploadFile::~LocalUploadFile()
{
    if (fd >= 0)
        close(fd);
}

bool LocalUploadFile::Open(const std::string& path)
{
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Fail(errno);
    struct stat status {};
    if (fstat(fd, &status) != 0)
        return Fail(errno);
    if (S_ISDIR(status.st_mode))
        return Fail(EISDIR);
    if (!S_ISREG(status.st_mode))
        return Fail(ERROR_NOT_A_REGULAR_FILE);
    // Reads of a regular file never wait anyway; the worker expects a plain descriptor.
    if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return Fail(errno);
    length = status.st_size;
    return true;
}

int LocalUploadFile::Release()
{
    return std::exchange(fd, -1);
}

bool LocalUploadFile::Fail(int code)
{
    if (fd >= 0)
        close(std::exchange(fd, -1));
    SetLastError(code);
    return false;
}
