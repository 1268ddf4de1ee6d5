#include "engine/SshFile.h"

#include "engine/FileWrites.h"
#include "engine/SftpRules.h"
#include "engine/SshConnection.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait for the server looks at Abort.
constexpr int kPollTickMs = 100;
// An aborted download's answers still owed are waited for this long; past
// it the connection is given up, so Abort never waits on a stalled server.
constexpr auto kAbortDrain = std::chrono::milliseconds(700);
// A call that waited this long on loopback or any working link is stalled.
constexpr auto kStallProof = std::chrono::milliseconds(150);

}  // namespace

SshFile::SshFile(std::shared_ptr<SshConnection> connection, sftp_file handle, FileAccess access,
                 std::uint64_t offset)
    : connection(std::move(connection)), handle(handle), access(access), nextOffset(offset),
      window(kSftpFirstReadWindow), emptied(offset > 0)
{
    this->connection->fileOpen = true;
    if (access == FileAccess::Write) {
        if (offset > 0)
            sftp_seek64(handle, offset);
        return;
    }
    if (sftp_attributes attributes = sftp_fstat(handle)) {
        knownSize = attributes->size;
        sftp_attributes_free(attributes);
    }
    sftp_file_set_nonblocking(handle);
    piece.resize(kSftpReadRequestBytes);
}

SshFile::~SshFile()
{
    Close();
}

EngineResult SshFile::Read(void* buffer, std::size_t size, std::size_t& received)
{
    auto* out = static_cast<char*>(buffer);
    return Deliver(size, received, [&out](const char* bytes, std::size_t count) {
        std::memcpy(out, bytes, count);
        out += count;
        return 0;
    });
}

EngineResult SshFile::ReceiveInto(int fd, std::size_t size, std::size_t& moved)
{
    return Deliver(size, moved, [this, fd](const char* bytes, std::size_t count) {
        if (const int error = EmptyOnce(fd, emptied))
            return error;
        return WriteAll(fd, bytes, count);
    });
}

EngineResult SshFile::Deliver(std::size_t size, std::size_t& delivered,
                              const std::function<int(const char*, std::size_t)>& sink)
{
    delivered = 0;
    while (delivered < size) {
        if (pieceStart == pieceEnd) {
            if (EngineResult filled = FillPiece(); !filled.Ok())
                return filled;
            if (pieceStart == pieceEnd)
                break;  // the end of the file
        }
        const std::size_t count = std::min(size - delivered, pieceEnd - pieceStart);
        if (const int error = sink(piece.data() + pieceStart, count))
            return LocalFailure(error);
        pieceStart += count;
        delivered += count;
    }
    return {};
}

EngineResult SshFile::FillPiece()
{
    if (!failure.Ok())
        return failure;
    if (access != FileAccess::Read)
        return EngineResult::Failure(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    pieceStart = pieceEnd = 0;
    if (endSeen && inFlight.empty())
        return {};
    if (EngineResult asked = AskAhead(); !asked.Ok())
        return Fail(asked);
    int bytes = 0;
    if (EngineResult answered = AwaitOldest(bytes); !answered.Ok())
        return Fail(answered);
    pieceEnd = static_cast<std::size_t>(bytes);
    return {};
}

// Requests stop past the size the file had at the open, so that a file read
// to its end leaves no answers owed; one request past it finds the end.
EngineResult SshFile::AskAhead()
{
    while (!endSeen && inFlight.size() < window && (inFlight.empty() || nextOffset < knownSize)) {
        sftp_seek64(handle, nextOffset);
        const int id = sftp_async_read_begin(handle, kSftpReadRequestBytes);
        if (id < 0)
            return connection->Failure();
        inFlight.push_back({nextOffset, static_cast<std::uint32_t>(id)});
        nextOffset += kSftpReadRequestBytes;
    }
    return {};
}

EngineResult SshFile::AwaitOldest(int& bytes)
{
    const ReadRequest oldest = inFlight.front();
    const Clock::time_point idleSince = Clock::now();
    for (;;) {
        if (!EnterLibssh())
            return EngineResult::Failure(ERROR_INTERNET_CONNECTION_ABORTED, "The transfer was aborted.");
        bytes = sftp_async_read(handle, piece.data(), kSftpReadRequestBytes, oldest.id);
        LeaveLibssh();
        if (bytes != SSH_AGAIN)
            break;
        if (EngineResult waited = WaitForAnswer(idleSince); !waited.Ok())
            return waited;
    }
    inFlight.pop_front();
    if (bytes < 0)
        return connection->Failure();
    window = std::min(window + 1, kSftpMaxReadWindow);
    if (bytes == 0) {
        endSeen = true;
        return {};
    }
    if (static_cast<std::uint32_t>(bytes) < kSftpReadRequestBytes) {
        // A short answer leaves a gap before the next request's bytes: ask
        // again from the end of this one.
        if (!DropRequestsInFlight(Clock::now() + connection->Timeouts().reply))
            return connection->Break(connection->Failure());
        nextOffset = oldest.offset + static_cast<std::uint64_t>(bytes);
    }
    return {};
}

EngineResult SshFile::WaitForAnswer(Clock::time_point idleSince)
{
    const int ready = ssh_channel_poll_timeout(connection->Sftp()->channel, kPollTickMs, 0);
    if (ready == SSH_ERROR || ready == SSH_EOF)
        return connection->Failure();
    if (ready == 0 && Clock::now() - idleSince > connection->Timeouts().dataIdle)
        return connection->Break(EngineResult::Failure(ERROR_INTERNET_TIMEOUT));
    return {};
}

bool SshFile::DropRequestsInFlight(Clock::time_point deadline)
{
    while (!inFlight.empty()) {
        MarkLibsshCall();
        const int bytes = sftp_async_read(handle, piece.data(), kSftpReadRequestBytes, inFlight.front().id);
        LeaveLibssh();
        if (bytes == SSH_AGAIN) {
            if (Clock::now() > deadline)
                return false;
            const int ready = ssh_channel_poll_timeout(connection->Sftp()->channel, kPollTickMs, 0);
            if (ready == SSH_ERROR || ready == SSH_EOF)
                return false;
            continue;
        }
        inFlight.pop_front();
        if (bytes < 0 && !ssh_is_connected(connection->Session()))
            return false;
    }
    return true;
}

EngineResult SshFile::SendFrom(int fd, std::size_t size, std::size_t& sent)
{
    sent = 0;
    std::vector<char> buffer(std::min(size, kSftpWriteRequestBytes));
    while (sent < size) {
        const ssize_t n = ::read(fd, buffer.data(), std::min(buffer.size(), size - sent));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return LocalFailure(errno);
        if (n == 0)
            break;
        if (EngineResult written = Write(buffer.data(), static_cast<std::size_t>(n)); !written.Ok())
            return written;
        sent += static_cast<std::size_t>(n);
    }
    return {};
}

EngineResult SshFile::Write(const void* buffer, std::size_t size)
{
    if (!failure.Ok())
        return failure;
    if (access != FileAccess::Write)
        return EngineResult::Failure(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    const auto* bytes = static_cast<const char*>(buffer);
    while (size > 0) {
        if (aborted)
            return Fail(EngineResult::Failure(ERROR_INTERNET_CONNECTION_ABORTED, "The transfer was aborted."));
        const std::size_t count = std::min(size, kSftpWriteRequestBytes);
        if (!EnterLibssh())
            continue;  // aborted: the loop's check ends it
        const ssize_t written = sftp_write(handle, bytes, count);
        LeaveLibssh();
        if (written <= 0)
            return Fail(connection->Failure());
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

EngineResult SshFile::Fail(EngineResult why)
{
    failure = why;
    return why;
}

EngineResult SshFile::LocalFailure(int error)
{
    return Fail(EngineResult::Failure(error, {}, FailedSide::LocalFile));
}

EngineResult SshFile::Close()
{
    if (closed)
        return closeResult;
    closed = true;
    const auto drainFor = aborted ? std::chrono::milliseconds(kAbortDrain) : connection->Timeouts().reply;
    if (connection->IsOpen() && !DropRequestsInFlight(Clock::now() + drainFor))
        connection->Break(EngineResult::Failure(ERROR_INTERNET_CONNECTION_ABORTED));
    MarkLibsshCall();
    const bool reached = sftp_close(handle) == SSH_NO_ERROR;  // frees the handle in any case
    LeaveLibssh();
    closeResult = !failure.Ok() ? failure : reached ? EngineResult{} : connection->Failure();
    connection->fileOpen = false;
    return closeResult;
}

void SshFile::MarkLibsshCall()
{
    ++watch->calls;
    watch->busy = true;
}

bool SshFile::EnterLibssh()
{
    MarkLibsshCall();
    if (!aborted)
        return true;
    LeaveLibssh();
    return false;
}

// Runs on the thread that aborts. Between calls the transfer sees the flag;
// inside one, libssh may wait on a stalled server for a whole packet or an
// answer, where nothing can wake it. So a watch looks a moment later: a call
// still waiting then, and the same one a little after, ends the connection.
void SshFile::Abort()
{
    aborted = true;
    std::thread([connection = connection, watch = watch] {
        std::this_thread::sleep_for(kAbortDrain);
        const std::uint64_t calls = watch->calls;
        if (!watch->busy)
            return;
        std::this_thread::sleep_for(kStallProof);
        if (watch->busy && watch->calls == calls)
            connection->Break(EngineResult::Failure(ERROR_INTERNET_CONNECTION_ABORTED));
    }).detach();
}
