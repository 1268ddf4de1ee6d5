#pragma once
#include "engine/RemoteFileSystem.h"

#include <cstddef>
#include <memory>

// A remote file being read or written, as the window and the worker call it:
// every failing call sets the calling thread's last error from the engine's
// result. Owned by one thread at a time, except Abort, which any thread may call.
class InternetFile {
public:
    explicit InternetFile(std::unique_ptr<RemoteFile> file);

    // Bytes placed in `buffer` (1..size); 0 at the end of the file; -1 on a failure.
    long Read(void* buffer, std::size_t size);
    // See RemoteFile::ReceiveInto and SendFrom: bytes moved, 0 at the end,
    // -1 on a failure, whose end `side` then tells.
    long ReceiveInto(int fd, std::size_t size, FailedSide& side);
    long SendFrom(int fd, std::size_t size, FailedSide& side);
    // Writes all of `size` bytes; false on a failure.
    bool Write(const void* buffer, std::size_t size);
    // Ends the transfer and reads the server's verdict; false when the server
    // reports that the transfer failed (552, 426 ...). Safe to call twice.
    bool Close();
    // Unblocks a Read or Write that waits on a stalled server. Thread-safe.
    void Abort();

private:
    long Count(const EngineResult& result, std::size_t bytes);

    std::unique_ptr<RemoteFile> file;
};

// Ends a transfer cut short on our side (aborts it, closes it) and keeps the
// failure that cut it as the last error; false.
bool Abandon(InternetFile& file);
