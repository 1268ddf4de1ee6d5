#include "viewers/ViewerTempDir.h"

#include "viewers/ViewerLaunch.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

const std::string& ViewerTempDir::Path()
{
    if (!folder.empty())
        return folder;
    std::string pattern = TempDirFrom(std::getenv("TMPDIR"));
    if (pattern.back() != '/')
        pattern += '/';
    pattern += "vantrel-XXXXXX";
    if (mkdtemp(pattern.data()))  // mkdtemp makes it 0700
        folder = pattern;
    return folder;
}

int ViewerTempDir::CreateStaging(std::string& path)
{
    if (Path().empty())
        return -1;
    // O_NONBLOCK: should anything but a new regular file be met after all,
    // opening it must not hang the window.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (;;) {
        path = folder + "/.FTP_PART_" + std::to_string(++staged);
        const int fd = ::open(path.c_str(), flags, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
}

void ViewerTempDir::Remove()
{
    if (folder.empty())
        return;
    // Like the deletion at close, failures are ignored: a viewer may still
    // hold a file, and nothing else can be done about it then.
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    folder.clear();
}
