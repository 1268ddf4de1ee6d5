#pragma once
#include "engine/RemoteFileSystem.h"

#include <memory>

class SshConnection;

// The remote file system over SFTP. The server keeps no current folder, so
// this session does: every name is taken from it, and a change of folder is
// the server's canonical path of the new one (checked to be a folder).
class SshFileSystem : public RemoteFileSystem {
public:
    explicit SshFileSystem(std::shared_ptr<SshConnection> connection);
    ~SshFileSystem() override;

    // The login folder, as the server names it.
    EngineResult Start();

    EngineResult CurrentFolder(std::string& folder) override;
    EngineResult ChangeFolder(const std::string& folder) override;
    EngineResult List(std::vector<FtpListEntry>& entries) override;
    EngineResult Open(const std::string& name, FileAccess access, TransferType type, std::uint64_t offset,
                      std::unique_ptr<RemoteFile>& file) override;
    EngineResult Size(const std::string& name, std::uint64_t& size) override;
    // A stat always has the size, so every binary transfer is checked.
    bool OffersSize() const override { return true; }
    EngineResult RemoveFile(const std::string& name) override;
    EngineResult RemoveFolder(const std::string& name) override;
    EngineResult MakeFolder(const std::string& name) override;
    EngineResult Rename(const std::string& oldName, const std::string& newName) override;
    void End() override;
    bool IsOpen() const override;
    std::string Encryption() const override;
    std::string ServerNotes() const override { return {}; }

private:
    // Why a call cannot be made now (a file open, the session gone, a name
    // no path may hold), or success.
    EngineResult Refusal(const std::string& name) const;
    // Makes way for a rename over the file `target`: it is removed first.
    EngineResult ClearRenameTarget(const std::string& target);
    // The result of a libssh call that returns 0 on success.
    EngineResult Outcome(int status);

    std::shared_ptr<SshConnection> connection;
    std::string folder;
};
