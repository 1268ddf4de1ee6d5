#include "transfer/CopyPump.h"

#include "engine/FileWrites.h"
#include "platform/InternetFile.h"
#include "platform/LastError.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <new>
#include <string_view>
#include <thread>
#include <utility>

namespace {

long ReadSome(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR)
            return static_cast<long>(got);
    }
}

// Shuts the data connection down once the deadline has passed, so a read
// that waits on a silent server returns at once. Its thread does nothing
// else; the copying thread sees the failed read and asks Fired().
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

}  // namespace

CopyPump::CopyPump(CopyOrder order) : order(std::move(order)), converter(this->order.direction)
{
    struct stat status {};
    const bool regular = ::fstat(this->order.localFile, &status) == 0 && S_ISREG(status.st_mode);
    // A pipe or a device has nothing to empty, and ftruncate would refuse it.
    emptied = !regular || this->order.resumedAt > 0;
    copied = this->order.resumedAt;
    if (regular && this->order.direction == TransferDirection::Upload) {
        uploadSize = status.st_size;
        uploadModified = status.st_mtim;
    }
    engineCopy = !this->order.convertLineEnds && regular;
}

CopyOutcome CopyPump::Run(InternetFile& remote)
{
    std::vector<char> buffer;
    try {
        if (!engineCopy)
            buffer.resize(order.chunk);
    } catch (const std::bad_alloc&) {
        SetLastError(ENOMEM);
        return {CopyEnd::OutOfMemory};
    }
    std::optional<DeadlineGuard> guard;
    if (order.deadline)
        guard.emplace(remote, *order.deadline);
    const CopyOutcome outcome = Loop(remote, buffer);
    if (outcome.end == CopyEnd::Failed && guard && guard->Fired()) {
        SetLastError(ERROR_INTERNET_TIMEOUT);
        return Failure(FailedSide::Server);
    }
    return outcome;
}

CopyOutcome CopyPump::Loop(InternetFile& remote, std::vector<char>& buffer)
{
    while (Running()) {
        const long n = ReadChunk(remote, buffer);
        // After Abort the window shuts a stalled data connection down; the
        // failed call that follows is the abort, not an error.
        if (n < 0 && !Running())
            break;
        if (n < 0)
            return Failure(readSide);
        if (n == 0 && LocalFileChanged())
            return Failure(FailedSide::LocalFile);
        if (n == 0)
            break;
        copied += n;
        if (static_cast<std::uint64_t>(copied) > order.maxBytes) {
            SetLastError(ERROR_FTP_LARGER_THAN_LISTED);
            return Failure(FailedSide::Server);
        }
        if (!WriteChunk(remote, buffer.data(), static_cast<std::size_t>(n))) {
            if (!Running())
                break;
            return Failure(WriteSide());
        }
        if (order.onChunk)
            order.onChunk(copied);
    }
    if (!Running())
        return {CopyEnd::Aborted};
    return Finish(remote);
}

FailedSide CopyPump::WriteSide() const
{
    return order.direction == TransferDirection::Download ? FailedSide::LocalFile : FailedSide::Server;
}

long CopyPump::ReadChunk(InternetFile& remote, std::vector<char>& buffer)
{
    const bool download = order.direction == TransferDirection::Download;
    readSide = download ? FailedSide::Server : FailedSide::LocalFile;
    if (engineCopy && download) {
        const long n = remote.ReceiveInto(order.localFile, order.chunk, readSide);
        emptied = emptied || n > 0;  // the engine emptied the file before the first byte
        return n;
    }
    if (download)
        return remote.Read(buffer.data(), order.chunk);
    if (engineCopy)
        return remote.SendFrom(order.localFile, order.chunk, readSide);
    const long n = ReadSome(order.localFile, buffer.data(), order.chunk);
    if (n < 0)
        SetLastError(errno);
    return n;
}

bool CopyPump::WriteChunk(InternetFile& remote, const char* data, std::size_t size)
{
    if (!order.convertLineEnds)
        return WriteOut(remote, data, size);
    const std::string_view converted = converter.Convert(std::string_view(data, size));
    return WriteOut(remote, converted.data(), converted.size());
}

bool CopyPump::WriteOut(InternetFile& remote, const char* data, std::size_t size)
{
    if (engineCopy)
        return true;  // ReceiveInto or SendFrom has moved them
    if (order.direction == TransferDirection::Upload)
        return remote.Write(data, size);
    if (!EmptyLocalOnce()) {
        SetLastError(errno);
        return false;
    }
    const int error = WriteAll(order.localFile, data, size);
    if (error != 0)
        SetLastError(error);
    return error == 0;
}

// The converter may hold a last CR; the server's final reply decides whether
// the transfer really succeeded (552 after STOR, say).
CopyOutcome CopyPump::Finish(InternetFile& remote)
{
    const std::string rest = converter.Finish();
    if (order.convertLineEnds && !rest.empty() && !WriteOut(remote, rest.data(), rest.size()))
        return Failure(WriteSide());
    if (!remote.Close())
        return Failure(FailedSide::Server);
    // An empty remote file replaces the local one only now it is known to be whole.
    if (order.direction == TransferDirection::Download && !EmptyLocalOnce()) {
        SetLastError(errno);
        return Failure(FailedSide::LocalFile);
    }
    return {CopyEnd::Complete};
}

// An upload ends as a success only with the server holding one version of
// the file. Another process that cut it short meanwhile shows in the early
// end; one that rewrote or lengthened it, in the file's size and
// modification time (a regular file's: a pipe has no version to keep).
bool CopyPump::LocalFileChanged()
{
    if (copied < uploadSize) {
        SetLastError(ERROR_LOCAL_FILE_SHRANK);
        return true;
    }
    if (!uploadModified)
        return false;
    struct stat now {};
    if (::fstat(order.localFile, &now) == 0 && now.st_size == uploadSize &&
        now.st_mtim.tv_sec == uploadModified->tv_sec && now.st_mtim.tv_nsec == uploadModified->tv_nsec)
        return false;
    SetLastError(ERROR_LOCAL_FILE_CHANGED);
    return true;
}

// A download that fails before its first byte leaves the user's existing
// file as it was; once bytes come, the file holds them and nothing else.
bool CopyPump::EmptyLocalOnce()
{
    if (emptied)
        return true;
    emptied = ::ftruncate(order.localFile, 0) == 0;
    return emptied;
}
