#pragma once
#include "engine/TransferTypes.h"

#include <chrono>
#include <cstdint>
#include <string>

class FtpConnection;
class ViewerTempDir;

// How far an Open In download may run past what the listing promised. It
// blocks the window, so a server that streams without end, or drips, is cut
// off instead of filling the disk or freezing the window for good.
struct ViewerDownloadLimits {
    std::uint64_t extraBytes = 1u << 20;      // beyond the listed size: a file may grow
    std::chrono::milliseconds baseDeadline{60000};
    std::uint64_t slowestBytesPerSecond = 64u * 1024;  // the deadline grows with the size
};

struct ViewerDownloadBounds {
    std::uint64_t maxBytes = 0;
    std::chrono::milliseconds deadline{0};
};

// The bounds for a file listed at `listedSize` bytes: that size plus an
// eighth and the extra bytes, and the base deadline plus the time the
// slowest accepted rate needs for them.
ViewerDownloadBounds BoundsForListedSize(std::uint64_t listedSize, const ViewerDownloadLimits& limits);

// Downloads `remoteName` to `finalPath` in the folder `dir`. The bytes go to
// a new staging file that replaces `finalPath` only once the transfer is
// whole, so a failure leaves nothing behind and an earlier copy, which a
// viewer may still have open, untouched. In ASCII type CRLF becomes LF.
// False with the last error set (ERROR_FTP_LARGER_THAN_LISTED past the size
// bound, ERROR_INTERNET_TIMEOUT past the deadline).
bool DownloadForViewer(FtpConnection& connection, const std::string& remoteName, TransferType type,
                       const ViewerDownloadBounds& bounds, ViewerTempDir& dir, const std::string& finalPath);
