#include "viewers/ViewerDownload.h"

#include "platform/FtpConnection.h"
#include "platform/InternetFile.h"
#include "platform/LastError.h"
#include "transfer/CopyPump.h"
#include "viewers/ViewerTempDir.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <limits>
#include <memory>

namespace {

constexpr std::size_t kChunk = 64 * 1024;

bool Copy(InternetFile& remote, int fd, TransferType type, const ViewerDownloadBounds& bounds)
{
    CopyOrder order;
    order.direction = TransferDirection::Download;
    order.convertLineEnds = type == FTP_TRANSFER_TYPE_ASCII;
    order.localFile = fd;
    order.chunk = kChunk;
    order.maxBytes = bounds.maxBytes;
    order.deadline = bounds.deadline;
    CopyPump pump(std::move(order));
    if (pump.Run(remote).end == CopyEnd::Complete)
        return true;
    return Abandon(remote);
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
