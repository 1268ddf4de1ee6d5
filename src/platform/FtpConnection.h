#pragma once
#include "engine/FtpListEntry.h"
#include "engine/RemoteFileSystem.h"
#include "engine/TlsTypes.h"
#include "engine/TransferTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class InternetFile;

// One logged-in session as the window calls it, over the engine's remote
// file system: boolean results, and on false the calling thread's last
// error (platform/LastError.h) says why. While a file opened here is still
// open, every other call fails with ERROR_FTP_TRANSFER_IN_PROGRESS.
class FtpConnection {
public:
    explicit FtpConnection(std::unique_ptr<RemoteFileSystem> remote, RemoteProtocol protocol = RemoteProtocol::Ftp);
    ~FtpConnection();

    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    bool SetCurrentDirectory(const std::string& directory);
    // `directory` is left as it was when the reply holds no path.
    bool GetCurrentDirectory(std::string& directory);
    // The current directory's entries, in the server's order.
    bool List(std::vector<FtpListEntry>& entries);

    // Null on failure. From byte `offset` on (a resumed transfer); a server
    // that will not start there fails with ERROR_FTP_RESUME_REFUSED.
    std::unique_ptr<InternetFile> OpenFile(const std::string& name, FileAccess access, TransferType type,
                                           std::uint64_t offset = 0);
    // The checks after a transfer (see RemoteFileSystem): whether the server
    // counts sizes, its count, and its hash beside the local file's.
    bool OffersSize() const;
    bool GetFileSize(const std::string& name, std::uint64_t& size);
    bool CompareDigests(const std::string& name, int fd, FileDigests& digests);

    bool Remove(const std::string& name);
    bool RemoveDirectory(const std::string& name);
    bool CreateDirectory(const std::string& name);
    bool Rename(const std::string& oldName, const std::string& newName);

    // Says goodbye (bounded) and closes. Safe to call twice.
    void Close();
    // False once the session is gone; nothing but Close works on it then.
    bool IsOpen() const;
    // The negotiated protocol ("TLS 1.3") when encrypted; empty in clear.
    std::string Encryption() const;
    // What the engine noted of the server, for the next login to it.
    std::string ServerNotes() const;
    RemoteProtocol Protocol() const { return protocol; }

private:
    std::unique_ptr<RemoteFileSystem> remote;
    RemoteProtocol protocol;
};
