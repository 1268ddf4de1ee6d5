#pragma once
#include "engine/RemoteFileSystem.h"

#include <libssh/sftp.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class SshConnection;

// A remote file open over SFTP. A download keeps a window of read requests
// in flight, each at its own offset; their answers are taken in order. An
// upload writes one request at a time (libssh 0.10 has no asynchronous
// write). Runs on the thread that owns it; Abort from any thread.
class SshFile : public RemoteFile {
public:
    SshFile(std::shared_ptr<SshConnection> connection, sftp_file handle, FileAccess access, std::uint64_t offset);
    ~SshFile() override;

    SshFile(const SshFile&) = delete;
    SshFile& operator=(const SshFile&) = delete;

    EngineResult Read(void* buffer, std::size_t size, std::size_t& received) override;
    EngineResult ReceiveInto(int fd, std::size_t size, std::size_t& moved) override;
    EngineResult SendFrom(int fd, std::size_t size, std::size_t& sent) override;
    EngineResult Write(const void* buffer, std::size_t size) override;
    EngineResult Close() override;
    void Abort() override;

private:
    // Whether a call waits in libssh, shared with the watch an Abort starts.
    struct CallWatch {
        std::atomic<bool> busy{false};
        std::atomic<std::uint64_t> calls{0};
    };
    struct ReadRequest {
        std::uint64_t offset;
        std::uint32_t id;
    };
    // Takes up to `size` bytes of the file in order, handing each piece to
    // `sink` (0 on success, else an errno value for the local side).
    EngineResult Deliver(std::size_t size, std::size_t& delivered,
                         const std::function<int(const char*, std::size_t)>& sink);
    // Makes the next bytes of the file ready in `piece`; none at the end.
    EngineResult FillPiece();
    EngineResult AskAhead();
    // The answer to the oldest request, into `piece`; `bytes` 0 at the end.
    EngineResult AwaitOldest(int& bytes);
    // Waits for the server to send something, up to the poll's tick;
    // failure when the connection is gone, the transfer aborted or idle too long.
    EngineResult WaitForAnswer(std::chrono::steady_clock::time_point idleSince);
    // Reads and drops the answers still owed before `deadline`; false when
    // some did not come.
    bool DropRequestsInFlight(std::chrono::steady_clock::time_point deadline);
    // Marks a libssh call about to be made: false (and none made) once the
    // transfer is aborted. LeaveLibssh ends it.
    bool EnterLibssh();
    // The same for a call made even after an abort (the end's).
    void MarkLibsshCall();
    void LeaveLibssh() { watch->busy = false; }
    EngineResult Fail(EngineResult why);
    EngineResult LocalFailure(int error);

    std::shared_ptr<SshConnection> connection;
    sftp_file handle;
    FileAccess access;
    std::uint64_t knownSize = 0;  // at the open: requests stop past it, but the end is where the server says
    std::uint64_t nextOffset;
    std::deque<ReadRequest> inFlight;
    std::size_t window;
    bool endSeen = false;
    std::vector<char> piece;
    std::size_t pieceStart = 0;
    std::size_t pieceEnd = 0;
    bool emptied;  // a download opened at an offset appends to the local file
    EngineResult failure;  // sticky: no call goes on after a failure
    bool closed = false;
    EngineResult closeResult;
    std::atomic<bool> aborted{false};
    std::shared_ptr<CallWatch> watch = std::make_shared<CallWatch>();
};
