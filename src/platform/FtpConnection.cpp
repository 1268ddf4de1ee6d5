#include "platform/FtpConnection.h"

#include "platform/InternetFile.h"
#include "platform/LastError.h"

#include <utility>

FtpConnection::FtpConnection(std::unique_ptr<RemoteFileSystem> remote, RemoteProtocol protocol)
    : remote(std::move(remote)), protocol(protocol)
{
}

FtpConnection::~FtpConnection()
{
    Close();
}

bool FtpConnection::SetCurrentDirectory(const std::string& directory)
{
    return TakeResult(remote->ChangeFolder(directory));
}

bool FtpConnection::GetCurrentDirectory(std::string& directory)
{
    return TakeResult(remote->CurrentFolder(directory));
}

bool FtpConnection::List(std::vector<FtpListEntry>& entries)
{
    return TakeResult(remote->List(entries));
}

std::unique_ptr<InternetFile> FtpConnection::OpenFile(const std::string& name, FileAccess access, TransferType type,
                                                      std::uint64_t offset)
{
    std::unique_ptr<RemoteFile> file;
    if (!TakeResult(remote->Open(name, access, type, offset, file)))
        return nullptr;
    return std::make_unique<InternetFile>(std::move(file));
}

bool FtpConnection::OffersSize() const
{
    return remote->OffersSize();
}

bool FtpConnection::GetFileSize(const std::string& name, std::uint64_t& size)
{
    return TakeResult(remote->Size(name, size));
}

bool FtpConnection::CompareDigests(const std::string& name, int fd, FileDigests& digests)
{
    return TakeResult(remote->CompareDigests(name, fd, digests));
}

bool FtpConnection::Remove(const std::string& name)
{
    return TakeResult(remote->RemoveFile(name));
}

bool FtpConnection::RemoveDirectory(const std::string& name)
{
    return TakeResult(remote->RemoveFolder(name));
}

bool FtpConnection::CreateDirectory(const std::string& name)
{
    return TakeResult(remote->MakeFolder(name));
}

bool FtpConnection::Rename(const std::string& oldName, const std::string& newName)
{
    return TakeResult(remote->Rename(oldName, newName));
}

void FtpConnection::Close()
{
    remote->End();
}

bool FtpConnection::IsOpen() const
{
    return remote->IsOpen();
}

std::string FtpConnection::Encryption() const
{
    return remote->Encryption();
}

std::string FtpConnection::ServerNotes() const
{
    return remote->ServerNotes();
}
