#include "engine/SshFileSystem.h"

#include "engine/SftpRules.h"
#include "engine/SshConnection.h"
#include "engine/SshFile.h"

#include <fcntl.h>

#include <memory>

namespace {

using AttributesPointer = std::unique_ptr<sftp_attributes_struct, decltype(&sftp_attributes_free)>;

FtpEntryKind KindOf(const sftp_attributes_struct& attributes)
{
    switch (attributes.type) {
    case SSH_FILEXFER_TYPE_REGULAR: return FtpEntryKind::File;
    case SSH_FILEXFER_TYPE_DIRECTORY: return FtpEntryKind::Directory;
    case SSH_FILEXFER_TYPE_SYMLINK: return FtpEntryKind::Link;
    default: return FtpEntryKind::Other;
    }
}

FtpListEntry EntryOf(const sftp_attributes_struct& attributes)
{
    FtpListEntry entry;
    entry.name = attributes.name ? attributes.name : "";
    entry.kind = KindOf(attributes);
    entry.size = attributes.size;
    entry.modified = static_cast<std::time_t>(attributes.mtime64 ? attributes.mtime64 : attributes.mtime);
    return entry;
}

// New files as an FTP server makes them: readable and writable by all that
// the server's umask allows.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kNewFolderMode = 0777;

}  // namespace

SshFileSystem::SshFileSystem(std::shared_ptr<SshConnection> connection) : connection(std::move(connection)) {}

SshFileSystem::~SshFileSystem()
{
    End();
}

EngineResult SshFileSystem::Start()
{
    char* home = sftp_canonicalize_path(connection->Sftp(), ".");
    if (!home)
        return connection->Failure();
    folder = home;
    ssh_string_free_char(home);
    return {};
}

EngineResult SshFileSystem::Refusal(const std::string& name) const
{
    if (connection->fileOpen)
        return EngineResult::Failure(ERROR_FTP_TRANSFER_IN_PROGRESS);
    if (!connection->IsOpen())
        return EngineResult::Failure(ERROR_INTERNET_CONNECTION_ABORTED, "The session with the server has ended.");
    if (name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return EngineResult::Failure(ERROR_INTERNET_INVALID_ARGUMENT);
    return {};
}

EngineResult SshFileSystem::Outcome(int status)
{
    return status < 0 ? connection->Failure() : EngineResult{};
}

EngineResult SshFileSystem::CurrentFolder(std::string& current)
{
    if (EngineResult refused = Refusal({}); !refused.Ok())
        return refused;
    current = folder;
    return {};
}

EngineResult SshFileSystem::ChangeFolder(const std::string& wanted)
{
    if (EngineResult refused = Refusal(wanted); !refused.Ok())
        return refused;
    char* canonical = sftp_canonicalize_path(connection->Sftp(), SftpPath(folder, wanted).c_str());
    if (!canonical)
        return connection->Failure();
    const std::string path = canonical;
    ssh_string_free_char(canonical);
    const AttributesPointer attributes(sftp_stat(connection->Sftp(), path.c_str()), &sftp_attributes_free);
    if (!attributes)
        return connection->Failure();
    if (attributes->type != SSH_FILEXFER_TYPE_DIRECTORY)
        return EngineResult::ServerReply(path + ": Not a directory");
    folder = path;
    return {};
}

EngineResult SshFileSystem::List(std::vector<FtpListEntry>& entries)
{
    if (EngineResult refused = Refusal({}); !refused.Ok())
        return refused;
    sftp_dir directory = sftp_opendir(connection->Sftp(), folder.c_str());
    if (!directory)
        return connection->Failure();
    entries.clear();
    while (sftp_attributes attributes = sftp_readdir(connection->Sftp(), directory)) {
        entries.push_back(EntryOf(*attributes));
        sftp_attributes_free(attributes);
    }
    const bool whole = sftp_dir_eof(directory);
    EngineResult result = whole ? EngineResult{} : connection->Failure();
    sftp_closedir(directory);
    return result;
}

EngineResult SshFileSystem::Open(const std::string& name, FileAccess access, TransferType /*type*/,
                                 std::uint64_t offset, std::unique_ptr<RemoteFile>& file)
{
    if (EngineResult refused = Refusal(name); !refused.Ok())
        return refused;
    int flags = O_RDONLY;
    if (access == FileAccess::Write)
        flags = O_WRONLY | O_CREAT | (offset == 0 ? O_TRUNC : 0);
    sftp_file handle = sftp_open(connection->Sftp(), SftpPath(folder, name).c_str(), flags, kNewFileMode);
    if (!handle)
        return connection->Failure();
    file = std::make_unique<SshFile>(connection, handle, access, offset);
    return {};
}

EngineResult SshFileSystem::Size(const std::string& name, std::uint64_t& size)
{
    if (EngineResult refused = Refusal(name); !refused.Ok())
        return refused;
    const std::string path = SftpPath(folder, name);
    const AttributesPointer attributes(sftp_stat(connection->Sftp(), path.c_str()), &sftp_attributes_free);
    if (!attributes)
        return connection->Failure();
    size = attributes->size;
    return {};
}

EngineResult SshFileSystem::RemoveFile(const std::string& name)
{
    if (EngineResult refused = Refusal(name); !refused.Ok())
        return refused;
    return Outcome(sftp_unlink(connection->Sftp(), SftpPath(folder, name).c_str()));
}

EngineResult SshFileSystem::RemoveFolder(const std::string& name)
{
    if (EngineResult refused = Refusal(name); !refused.Ok())
        return refused;
    return Outcome(sftp_rmdir(connection->Sftp(), SftpPath(folder, name).c_str()));
}

EngineResult SshFileSystem::MakeFolder(const std::string& name)
{
    if (EngineResult refused = Refusal(name); !refused.Ok())
        return refused;
    return Outcome(sftp_mkdir(connection->Sftp(), SftpPath(folder, name).c_str(), kNewFolderMode));
}

EngineResult SshFileSystem::Rename(const std::string& oldName, const std::string& newName)
{
    for (const std::string* name : {&oldName, &newName}) {
        if (EngineResult refused = Refusal(*name); !refused.Ok())
            return refused;
    }
    const std::string target = SftpPath(folder, newName);
    if (EngineResult cleared = ClearRenameTarget(target); !cleared.Ok())
        return cleared;
    return Outcome(sftp_rename(connection->Sftp(), SftpPath(folder, oldName).c_str(), target.c_str()));
}

// The window has asked before a rename over an existing name, so replacing
// it is what the user chose. SFTP's own rename refuses an existing name, and
// libssh 0.10 sends no other, so the old file goes first, on every server
// alike (with or without the posix-rename extension).
EngineResult SshFileSystem::ClearRenameTarget(const std::string& target)
{
    const AttributesPointer existing(sftp_lstat(connection->Sftp(), target.c_str()), &sftp_attributes_free);
    if (!existing || existing->type == SSH_FILEXFER_TYPE_DIRECTORY)
        return {};
    return Outcome(sftp_unlink(connection->Sftp(), target.c_str()));
}

void SshFileSystem::End()
{
    connection->End();
}

bool SshFileSystem::IsOpen() const
{
    return connection->IsOpen();
}

std::string SshFileSystem::Encryption() const
{
    const char* cipher = ssh_get_cipher_out(connection->Session());
    return std::string("SSH") + (cipher ? ", " + std::string(cipher) : std::string());
}
