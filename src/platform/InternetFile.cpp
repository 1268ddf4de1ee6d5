#include "platform/InternetFile.h"

#include "platform/LastError.h"

#include <string>
#include <utility>

InternetFile::InternetFile(std::unique_ptr<RemoteFile> file) : file(std::move(file)) {}

long InternetFile::Count(const EngineResult& result, std::size_t bytes)
{
    return TakeResult(result) ? static_cast<long>(bytes) : -1;
}

long InternetFile::Read(void* buffer, std::size_t size)
{
    std::size_t received = 0;
    const EngineResult result = file->Read(buffer, size, received);
    return Count(result, received);
}

long InternetFile::ReceiveInto(int fd, std::size_t size, FailedSide& side)
{
    std::size_t moved = 0;
    const EngineResult result = file->ReceiveInto(fd, size, moved);
    side = result.side;
    return Count(result, moved);
}

long InternetFile::SendFrom(int fd, std::size_t size, FailedSide& side)
{
    std::size_t sent = 0;
    const EngineResult result = file->SendFrom(fd, size, sent);
    side = result.side;
    return Count(result, sent);
}

bool InternetFile::Write(const void* buffer, std::size_t size)
{
    return TakeResult(file->Write(buffer, size));
}

bool InternetFile::Close()
{
    return TakeResult(file->Close());
}

void InternetFile::Abort()
{
    file->Abort();
}

bool Abandon(InternetFile& file)
{
    const int code = GetLastError();
    const std::string response = GetLastResponseInfo();
    file.Abort();
    file.Close();
    SetLastError(code, response);
    return false;
}
