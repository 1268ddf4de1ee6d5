#pragma once
#include "engine/FtpTransferEnd.h"
#include "engine/RemoteFileSystem.h"
#include "engine/TransferPace.h"

#include <Poco/Net/StreamSocket.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

class TlsLayer;

// The data connection of one RETR or STOR (or a listing). Closing it ends
// the transfer through `end`, after which the control connection serves
// other commands.
class FtpDataFile : public RemoteFile {
public:
    // `tls` is the login's layer, null in clear. A file opened at an offset
    // appends to the local file of ReceiveInto instead of emptying it first.
    FtpDataFile(FtpTransferEnd end, Poco::Net::StreamSocket data, TlsLayer* tls, std::uint64_t offset);
    ~FtpDataFile() override;

    EngineResult Read(void* buffer, std::size_t size, std::size_t& received) override;
    EngineResult ReceiveInto(int fd, std::size_t size, std::size_t& moved) override;
    EngineResult SendFrom(int fd, std::size_t size, std::size_t& sent) override;
    EngineResult Write(const void* buffer, std::size_t size) override;
    EngineResult Close() override;
    void Abort() override;

    // Reads slower than the pace fail with ERROR_FTP_TOO_SLOW.
    void RequirePace(std::size_t minBytes, std::chrono::milliseconds window);

private:
    // The byte counts below: negative on a failure, which `failure` holds.
    long ReadBytes(void* buffer, std::size_t size);
    long ReceiveBytesInto(int fd, std::size_t size);
    long SendBytesFrom(int fd, std::size_t size);
    bool WriteBytes(const void* buffer, std::size_t size);
    EngineResult Outcome(long count, std::size_t& bytes) const;

    bool Encrypted() const { return tls != nullptr; }
    bool Fail(int code, FailedSide side = FailedSide::Server);
    bool FailTransfer(int fallbackCode);
    void EndTls();
    // One receive; a failure is kept in pendingError and gives -1.
    int ReceiveSome(char* bytes, std::size_t size);
    // False when the file is closed or a failure waits.
    bool CanReceive();
    // Read's result for `filled` bytes once the receiving stopped.
    long Received(std::size_t filled);
    bool OpenPipe();
    // Moves what the pipe holds into `fd`, emptying it first on the first call.
    bool Deliver(int fd, std::size_t bytes);
    // ReceiveInto over TLS: decrypted through the piece into `fd`.
    long DecryptInto(int fd, std::size_t size);
    long FailLocally();
    void MakePiece();

    FtpTransferEnd end;
    Poco::Net::StreamSocket data;
    std::mutex dataLock;  // Abort against Close: never shut down a closed descriptor
    std::atomic<bool> aborted{false};
    bool open = true;
    int pendingError = 0;  // a receive failed; reported once the bytes before it are out
    EngineResult failure;  // the last one, for the call that returns it
    EngineResult closeResult;
    TlsLayer* tls;
    int pipeEnds[2] = {-1, -1};  // ReceiveInto's kernel buffer: read end, write end
    std::size_t pipeCapacity = 0;
    bool delivered;  // a byte has gone into the local file, or it is appended to
    std::vector<char> piece;  // the engine's copy buffer, made at its first use
    std::optional<TransferPace> pace;
    std::uint64_t received = 0;  // by Read, for the pace
};
