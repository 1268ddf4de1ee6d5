#include "app/SettingsLock.h"

#include "app/SettingsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

SettingsLock::SettingsLock()
{
    std::string error;
    if (!SettingsStore::MakeFolder(error))
        return;  // the write will fail and say why
    const std::string path = SettingsStore::FilePath() + ".lock";
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    // flock goes with the process: a window killed while holding it does
    // not block the next one.
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

SettingsLock::~SettingsLock()
{
    if (fd >= 0)
        ::close(fd);
}
