#pragma once
#include <cstddef>

// Which end of a transfer a failure came from.
enum class FailedSide { Server, LocalFile };

// A remote file being read (RETR) or written (STOR) over a data connection.
// Owned by one thread at a time, except Abort, which any thread may call.
class InternetFile {
public:
    virtual ~InternetFile();

    // Bytes placed in `buffer` (1..size); 0 at the end of the file; -1 on a
    // failure, with the calling thread's last error set.
    virtual long Read(void* buffer, std::size_t size) = 0;

    // A binary download's way around the caller's buffer: moves up to
    // `size` bytes of the file (all of them unless it ends first, as Read
    // does) from the data connection into the local file `fd` at its offset;
    // in clear without copying them through this process, over TLS
    // decrypted through a buffer of the engine's. `fd` is emptied just before
    // the transfer's first byte goes in, so a transfer that fails earlier
    // leaves it as it was. Returns the bytes moved, 0 at the end, -1 on a
    // failure with the last error set; `side` then tells which end failed.
    virtual long ReceiveInto(int fd, std::size_t size, FailedSide& side) = 0;

    // A binary upload's copy: sends up to `size` bytes of the local file
    // `fd` from its offset (which moves on) over the data connection, all
    // of them unless the file ends first. Returns the bytes
    // sent, 0 at the end of the file, -1 on a failure with the last error
    // set; `side` then tells which end failed.
    virtual long SendFrom(int fd, std::size_t size, FailedSide& side) = 0;

    // Writes all of `size` bytes; false on a failure with the last error set.
    virtual bool Write(const void* buffer, std::size_t size) = 0;

    // Ends the transfer and reads the server's final reply; false when the
    // server reports that the transfer failed (552, 426 ...). Safe to call twice.
    virtual bool Close() = 0;

    // Unblocks a Read or Write that waits on a stalled server by shutting the
    // data connection down; the blocked call then fails. Thread-safe.
    virtual void Abort() = 0;
};

// Ends a transfer cut short on our side (aborts the data connection, closes
// the file) and keeps the failure that cut it as the last error; false.
bool Abandon(InternetFile& file);
