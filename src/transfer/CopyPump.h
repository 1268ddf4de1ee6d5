#pragma once
#include "engine/EngineResult.h"
#include "transfer/LineEndConverter.h"
#include "transfer/TransferStatus.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

class InternetFile;

// How a copy ended. Failed and OutOfMemory leave the calling thread's last
// error set and the remote file open for the caller to end as it sees fit.
enum class CopyEnd { Complete, Aborted, Failed, OutOfMemory };

struct CopyOutcome {
    CopyEnd end = CopyEnd::Complete;
    FailedSide side = FailedSide::Server;  // for Failed: which end failed
};

// What one copy is asked to do; only the direction, the file and the chunk
// are needed.
struct CopyOrder {
    TransferDirection direction = TransferDirection::Download;
    bool convertLineEnds = false;  // ASCII type
    int localFile = -1;            // the caller's; the pump never closes it
    std::size_t chunk = 1'000'000;
    // A resumed copy: both files already hold this many bytes and stand at
    // that offset; the count (progress, the size bound) goes on from there
    // and the local file is appended to, never emptied.
    std::int64_t resumedAt = 0;
    // Abort: the copy stops after the chunk in hand once this is not 1.
    const std::atomic<int>* running = nullptr;
    // A download that goes past this many bytes fails with ERROR_FTP_LARGER_THAN_LISTED.
    std::uint64_t maxBytes = std::numeric_limits<std::uint64_t>::max();
    // Past this the data connection is shut down and the copy fails with ERROR_INTERNET_TIMEOUT.
    std::optional<std::chrono::milliseconds> deadline;
    // After every chunk, with the bytes copied so far; on the copying thread.
    std::function<void(std::int64_t)> onChunk;
};

// The one copy loop of every transfer, a worker's and Open In's: chunk by
// chunk between the remote file and a local file descriptor, with line-end
// conversion, a size bound, a deadline, progress and Abort. A download
// empties an existing local file only once the server has sent something to
// put in its place (or has ended the file whole). Runs on the calling thread.
class CopyPump {
public:
    explicit CopyPump(CopyOrder order);
    CopyPump(const CopyPump&) = delete;
    CopyPump& operator=(const CopyPump&) = delete;

    // Copies, then ends the transfer (the server's final reply) when the copy
    // is whole.
    CopyOutcome Run(InternetFile& remote);

    std::int64_t Copied() const { return copied; }

private:
    bool Running() const { return !order.running || order.running->load() == 1; }
    CopyOutcome Loop(InternetFile& remote, std::vector<char>& buffer);
    long ReadChunk(InternetFile& remote, std::vector<char>& buffer);
    bool WriteChunk(InternetFile& remote, const char* data, std::size_t size);
    bool WriteOut(InternetFile& remote, const char* data, std::size_t size);
    CopyOutcome Finish(InternetFile& remote);
    bool LocalFileChanged();
    bool EmptyLocalOnce();
    FailedSide WriteSide() const;
    static CopyOutcome Failure(FailedSide side) { return {CopyEnd::Failed, side}; }

    CopyOrder order;
    LineEndConverter converter;
    // Bytes that need no conversion go between the socket and a regular file
    // without our buffer (down in clear by splice inside the kernel,
    // otherwise through a cache-sized buffer of the engine's).
    bool engineCopy = false;
    bool emptied = false;
    std::int64_t uploadSize = 0;             // a regular file's size when an upload started
    std::optional<timespec> uploadModified;  // and its modification time
    FailedSide readSide = FailedSide::Server;
    std::int64_t copied = 0;
};
