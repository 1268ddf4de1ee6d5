#include "platform/FtpFileFind.h"

#include "engine/FtpConnection.h"
#include "engine/FtpListParser.h"
#include "platform/LastError.h"

FtpFileFind::FtpFileFind(FtpConnection& connection) : connection(connection) {}

bool FtpFileFind::FindFile()
{
    Close();
    std::string listing;
    bool machineFormat = false;
    if (!connection.ListDirectory(listing, machineFormat))
        return false;
    entries = ParseListing(listing, machineFormat, std::time(nullptr));
    if (entries.empty())
        SetLastError(ERROR_NO_MORE_FILES);
    return !entries.empty();
}

bool FtpFileFind::FindNextFile()
{
    if (next < entries.size())
        ++next;
    return next < entries.size();
}

std::string FtpFileFind::GetFileName() const
{
    return next > 0 ? entries[next - 1].name : std::string();
}

bool FtpFileFind::IsDirectory() const
{
    return next > 0 && entries[next - 1].kind == FtpEntryKind::Directory;
}

std::uint64_t FtpFileFind::GetLength() const
{
    return next > 0 ? entries[next - 1].size : 0;
}

std::time_t FtpFileFind::GetLastWriteTime() const
{
    return next > 0 ? entries[next - 1].modified : 0;
}

void FtpFileFind::Close()
{
    entries.clear();
    next = 0;
}
