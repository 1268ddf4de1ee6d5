#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

std::atomic<AtomicFile::StepHook> stepHook{nullptr};

void Reached(AtomicFile::Step step)
{
    if (const AtomicFile::StepHook hook = stepHook.load())
        hook(step);
}

bool WriteAll(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Some file systems refuse to flush a folder (EINVAL); the rename is done
// by then and the new file whole, so that is no failure of the write.
void FlushFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

bool Fail(const std::string& path, int code, std::string& error)
{
    error = "Cannot write " + path + ": " + std::strerror(code);
    return false;
}

} // namespace

void AtomicFile::SetStepHook(StepHook hook)
{
    stepHook = hook;
}

bool AtomicFile::Write(const std::string& path, const std::string& contents, std::string& error)
{
    // A dot name of its own, so the half-written file is never taken for the
    // real one; mkostemp opens it O_EXCL with mode 0600.
    const std::filesystem::path target(path);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string fresh = folder + "/." + target.filename().string() + ".XXXXXX";
    const int fd = ::mkostemp(fresh.data(), O_CLOEXEC);
    if (fd < 0)
        return Fail(path, errno, error);
    Reached(Step::Created);

    bool done = ::fchmod(fd, 0600) == 0 && WriteAll(fd, contents);
    if (done)
        Reached(Step::Written);
    done = done && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && done) {
        done = false;
        code = errno;
    }
    if (done)
        Reached(Step::Flushed);
    if (done && std::rename(fresh.c_str(), path.c_str()) != 0) {
        done = false;
        code = errno;
    }
    if (!done) {
        ::unlink(fresh.c_str());
        return Fail(path, code, error);
    }
    Reached(Step::Renamed);
    FlushFolder(folder);
    return true;
}
