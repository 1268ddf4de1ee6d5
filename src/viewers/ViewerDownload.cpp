#include "viewers/ViewerDownload.h"

#include "engine/FtpConnection.h"
#include "engine/InternetFile.h"
#include "platform/LastError.h"
#include "transfer/LineEndConverter.h"
#include "viewers/ViewerTempDir.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <algorithm>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Shuts the data connection down once the deadline has passed, so a Read
// that waits on a silent server returns at once. Its thread does nothing
// else; the user-interface thread sees the failed Read and asks Fired().
class DeadlineGuard {
public:
    DeadlineGuard(InternetFile& file, std::chrono::milliseconds deadline)
        : watcher([this, &file, deadline] { Watch(file, deadline); })
    {
    }
    ~DeadlineGuard()
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            finished = true;
        }
        woken.notify_one();
        watcher.join();
    }
    DeadlineGuard(const DeadlineGuard&) = delete;
    DeadlineGuard& operator=(const DeadlineGuard&) = delete;

    bool Fired() const { return fired.load(); }

private:
    void Watch(InternetFile& file, std::chrono::milliseconds deadline)
    {
        std::unique_lock<std::mutex> hold(lock);
        if (woken.wait_for(hold, deadline, [this] { return finished; }))
            return;
        fired = true;
        file.Abort();
    }

    std::mutex lock;
    std::condition_variable woken;
    bool finished = false;  // under lock
    std::atomic<bool> fired{false};
    std::thread watcher;    // last: it runs on the members above
};

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetLastError(errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool Copy(InternetFile& remote, int fd, TransferType type, const ViewerDownloadBounds& bounds)
{
    const bool ascii = type == FTP_TRANSFER_TYPE_ASCII;
    LineEndConverter converter(TransferDirection::Download);
    std::vector<char> buffer(kChunk);
    std::uint64_t received = 0;
    DeadlineGuard guard(remote, bounds.deadline);
    for (;;) {
        const long n = remote.Read(buffer.data(), buffer.size());
        if (guard.Fired()) {
            SetLastError(ERROR_INTERNET_TIMEOUT);
            return Abandon(remote);
        }
        if (n < 0)
            return Abandon(remote);
        if (n == 0)
            break;
        received += static_cast<std::uint64_t>(n);
        if (received > bounds.maxBytes) {
            SetLastError(ERROR_FTP_LARGER_THAN_LISTED);
            return Abandon(remote);
        }
        std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
        if (ascii)
            chunk = converter.Convert(chunk);
        if (!WriteAll(fd, chunk))
            return Abandon(remote);
    }
    if (ascii && !WriteAll(fd, converter.Finish()))
        return Abandon(remote);
    return remote.Close();
}

// The staging file: removed unless Commit has put it in place.
class StagingFile {
public:
    StagingFile(int fd, std::string path) : fd(fd), path(std::move(path)) {}
    ~StagingFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!committed)
            ::unlink(path.c_str());
    }
    StagingFile(const StagingFile&) = delete;
    StagingFile& operator=(const StagingFile&) = delete;

    int Fd() const { return fd; }

    // rename replaces the name only: a viewer holding the earlier copy keeps
    // reading what it opened.
    bool Commit(const std::string& finalPath)
    {
        const int result = ::close(fd);
        fd = -1;
        if (result != 0 || ::rename(path.c_str(), finalPath.c_str()) != 0) {
            SetLastError(errno);
            return false;
        }
        committed = true;
        return true;
    }

private:
    int fd;
    std::string path;
    bool committed = false;
};

} // namespace

ViewerDownloadBounds BoundsForListedSize(std::uint64_t listedSize, const ViewerDownloadLimits& limits)
{
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t margin = listedSize / 8 + limits.extraBytes;
    ViewerDownloadBounds bounds;
    bounds.maxBytes = listedSize > kMax - margin ? kMax : listedSize + margin;
    const std::uint64_t rate = std::max<std::uint64_t>(limits.slowestBytesPerSecond, 1);
    const auto seconds = std::min<std::uint64_t>(bounds.maxBytes / rate, 365ull * 24 * 3600);
    bounds.deadline = limits.baseDeadline + std::chrono::seconds(seconds);
    return bounds;
}

bool DownloadForViewer(FtpConnection& connection, const std::string& remoteName, TransferType type,
                       const ViewerDownloadBounds& bounds, ViewerTempDir& dir, const std::string& finalPath)
{
    // The staging name is short: a final name too long must fail before
    // anything is asked of the server, not after the whole download.
    const std::size_t slash = finalPath.rfind('/');
    if (finalPath.size() - (slash == std::string::npos ? 0 : slash + 1) > NAME_MAX) {
        SetLastError(ENAMETOOLONG);
        return false;
    }
    std::string stagingPath;
    const int fd = dir.CreateStaging(stagingPath);
    if (fd < 0) {
        SetLastError(errno);
        return false;
    }
    StagingFile staging(fd, stagingPath);
    std::unique_ptr<InternetFile> remote = connection.OpenFile(remoteName, FileAccess::Read, type);
    if (!remote || !Copy(*remote, staging.Fd(), type, bounds))
        return false;
    return staging.Commit(finalPath);
}
