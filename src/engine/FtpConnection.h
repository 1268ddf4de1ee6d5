#pragma once
#include "engine/TransferTypes.h"

#include <memory>
#include <string>

class InternetFile;
class FtpFileFind;

// One logged-in control connection. Every call blocks its thread until the
// server has answered or a deadline fired. Boolean results: false means the
// calling thread's last error (platform/LastError.h) says why.
//
// Names are bytes as they travel on the wire; a name holding CR, LF or NUL is
// refused before anything is sent. While a file opened here is still open,
// every other operation fails with ERROR_FTP_TRANSFER_IN_PROGRESS instead of
// breaking the control connection.
class FtpConnection {
public:
    virtual ~FtpConnection();

    virtual bool SetCurrentDirectory(const std::string& directory) = 0;
    // `directory` is left as it was when the reply holds no quoted path.
    virtual bool GetCurrentDirectory(std::string& directory) = 0;

    // RETR or STOR on an active data connection; null on failure.
    virtual std::unique_ptr<InternetFile> OpenFile(const std::string& name, FileAccess access,
                                                   TransferType type) = 0;

    // Downloads `remoteName` into `localPath` in one call. The local file is
    // created without following a symbolic link; with `failIfExists` an
    // existing file is an error, otherwise it is replaced only when the
    // caller owns it.
    virtual bool GetFile(const std::string& remoteName, const std::string& localPath, bool failIfExists,
                         TransferType type) = 0;

    virtual bool Remove(const std::string& name) = 0;
    virtual bool RemoveDirectory(const std::string& name) = 0;
    virtual bool CreateDirectory(const std::string& name) = 0;
    virtual bool Rename(const std::string& oldName, const std::string& newName) = 0;

    // Sends QUIT (bounded) and closes the socket. Safe to call twice.
    virtual void Close() = 0;
    // False once the control connection is gone: closed here, dropped by the
    // server, or broken off after a reply that breaks the protocol. Nothing
    // but Close works on it then.
    virtual bool IsOpen() const = 0;
    // The negotiated protocol ("TLS 1.3") when the connection is encrypted;
    // empty when it is in clear.
    virtual std::string Encryption() const = 0;

    // Used by FtpFileFind: the current directory's entries, by MLSD when the
    // server offers it, else by LIST.
    virtual bool ListDirectory(std::string& listing, bool& machineFormat) = 0;
};
