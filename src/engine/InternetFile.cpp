#include "engine/InternetFile.h"

#include "platform/LastError.h"

#include <string>

InternetFile::~InternetFile() = default;

bool Abandon(InternetFile& file)
{
    const int code = GetLastError();
    const std::string response = GetLastResponseInfo();
    file.Abort();
    file.Close();
    SetLastError(code, response);
    return false;
}
