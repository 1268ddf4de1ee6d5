#pragma once
#include "engine/EngineResult.h"
#include "engine/FtpListEntry.h"
#include "engine/TransferTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A remote file being read or written over its own connection. Owned by one
// thread at a time, except Abort, which any thread may call.
class RemoteFile {
public:
    virtual ~RemoteFile() = default;

    // Fills `buffer` unless the file ends first; `received` is 0 at the end.
    virtual EngineResult Read(void* buffer, std::size_t size, std::size_t& received) = 0;

    // A binary download's way around the caller's buffer: moves up to `size`
    // bytes of the file (all of them unless it ends first) into the local
    // file `fd` at its offset, without copying them through this process
    // where the protocol allows. `fd` is emptied just before the transfer's
    // first byte goes in (unless the file was opened at an offset, which
    // appends), so a transfer that fails earlier leaves it as it was.
    // `moved` is 0 at the end; a failure's side tells which end failed.
    virtual EngineResult ReceiveInto(int fd, std::size_t size, std::size_t& moved) = 0;

    // A binary upload's copy: sends up to `size` bytes of the local file `fd`
    // from its offset (which moves on), all of them unless the file ends
    // first; `sent` is 0 at the end of the file.
    virtual EngineResult SendFrom(int fd, std::size_t size, std::size_t& sent) = 0;

    virtual EngineResult Write(const void* buffer, std::size_t size) = 0;

    // Ends the transfer and takes the server's verdict on it (a full disk's
    // 552, a lost connection's 426). Safe to call twice: the second call
    // gives the first one's result.
    virtual EngineResult Close() = 0;

    // Unblocks a Read or Write that waits on a stalled server; the blocked
    // call then fails. Thread-safe.
    virtual void Abort() = 0;
};

// A file's hash as the server computed it beside the same hash of the local
// file, lower-case hex; `algorithm` ("SHA-256") is empty where the server
// offers no hash.
struct FileDigests {
    std::string algorithm;
    std::string remote;
    std::string local;
};

// One logged-in session with a remote file system, whatever the protocol.
// Every call blocks its thread until the server has answered or a deadline
// fired. Names are bytes as they travel; a name holding CR, LF or NUL is
// refused before anything is sent. While a file opened here is still open,
// every other call fails with ERROR_FTP_TRANSFER_IN_PROGRESS instead of
// breaking the session.
class RemoteFileSystem {
public:
    virtual ~RemoteFileSystem() = default;

    // `folder` is left as it was when the server names none.
    virtual EngineResult CurrentFolder(std::string& folder) = 0;
    virtual EngineResult ChangeFolder(const std::string& folder) = 0;
    // The current folder's entries, in the server's order.
    virtual EngineResult List(std::vector<FtpListEntry>& entries) = 0;

    // Reading (a download) or writing (an upload) from byte `offset` of the
    // remote file on; an upload at an offset writes over the rest. A server
    // that will not start there fails with ERROR_FTP_RESUME_REFUSED.
    virtual EngineResult Open(const std::string& name, FileAccess access, TransferType type, std::uint64_t offset,
                              std::unique_ptr<RemoteFile>& file) = 0;
    virtual EngineResult Size(const std::string& name, std::uint64_t& size) = 0;
    // Whether Size is worth asking to check a transfer: the server said it
    // counts sizes. Not offered unless a protocol says so.
    virtual bool OffersSize() const { return false; }
    // The remote file's hash by the strongest command the server offers, and
    // the local file `fd` (all of it, from its start) hashed the same way.
    // Not offered unless a protocol says so: `digests` stays empty.
    virtual EngineResult CompareDigests(const std::string& /*name*/, int /*fd*/, FileDigests& digests)
    {
        digests = {};
        return {};
    }

    virtual EngineResult RemoveFile(const std::string& name) = 0;
    virtual EngineResult RemoveFolder(const std::string& name) = 0;
    virtual EngineResult MakeFolder(const std::string& name) = 0;
    virtual EngineResult Rename(const std::string& oldName, const std::string& newName) = 0;

    // Says goodbye (bounded) and closes. Safe to call twice.
    virtual void End() = 0;
    // False once the session is gone: ended here, dropped by the server, or
    // broken off after a reply that breaks the protocol.
    virtual bool IsOpen() const = 0;
    // The negotiated protocol ("TLS 1.3") when the session is encrypted;
    // empty when it is in clear.
    virtual std::string Encryption() const = 0;
    // What this session learned of the server, for the next login to the
    // same host and port (FtpLoginRequest::serverNotes); the caller keeps
    // the text without reading it.
    virtual std::string ServerNotes() const = 0;
};

// Ends a transfer cut short on our side (the connection aborted, the file
// closed) and reports `why`, the failure that cut it, not the close's.
inline EngineResult Abandon(RemoteFile& file, EngineResult why)
{
    file.Abort();
    file.Close();
    return why;
}
