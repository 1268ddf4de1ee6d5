#pragma once
#include "engine/InternetFile.h"

#include <Poco/Net/StreamSocket.h>

#include <atomic>
#include <mutex>
#include <vector>

class FtpControlConnection;

// Encrypted, the bytes exist in clear only in this process, so nothing moves
// them inside the kernel (splice): they are decrypted through a piece of our own.
enum class DataChannel { Clear, Encrypted };

// The data connection of one RETR or STOR. Closing it reads the server's
// final reply on the control connection, which then serves other commands.
class FtpDataFile : public InternetFile {
public:
    // `ownsConnection`: the file holds the connection busy until it is closed.
    FtpDataFile(FtpControlConnection& connection, Poco::Net::StreamSocket data, bool ownsConnection,
                DataChannel channel);
    ~FtpDataFile() override;

    long Read(void* buffer, std::size_t size) override;
    long ReceiveInto(int fd, std::size_t size, FailedSide& side) override;
    long SendFrom(int fd, std::size_t size, FailedSide& side) override;
    bool Write(const void* buffer, std::size_t size) override;
    bool Close() override;
    void Abort() override;

private:
    bool Encrypted() const { return channel == DataChannel::Encrypted; }
    bool FailTransfer(int fallbackCode);
    void EndTls();
    // One receive; a failure is kept in pendingError and gives -1.
    int ReceiveSome(char* bytes, std::size_t size);
    // False, with the last error set, when the file is closed or a failure waits.
    bool CanReceive();
    // Read's result for `filled` bytes once the receiving stopped.
    long Received(std::size_t filled);
    bool OpenPipe();
    // Moves what the pipe holds into `fd`, emptying it first on the first call.
    bool Deliver(int fd, std::size_t bytes);
    // ReceiveInto over TLS: decrypted through the piece into `fd`.
    long DecryptInto(int fd, std::size_t size, FailedSide& side);
    long FailLocally(FailedSide& side);
    // Empties `fd` before the transfer's first byte goes in; false, with the
    // last error set, when it cannot.
    bool EmptyOnce(int fd);
    void MakePiece();

    FtpControlConnection& connection;
    Poco::Net::StreamSocket data;
    std::mutex dataLock;  // Abort against Close: never shut down a closed descriptor
    std::atomic<bool> aborted{false};
    bool open = true;
    int pendingError = 0;  // a receive failed; reported once the bytes before it are out
    bool closeResult = false;
    bool ownsConnection;
    DataChannel channel;
    int pipeEnds[2] = {-1, -1};  // ReceiveInto's kernel buffer: read end, write end
    std::size_t pipeCapacity = 0;
    bool delivered = false;  // a byte has gone into the local file
    std::vector<char> piece;  // the engine's copy buffer, made at its first use
};
