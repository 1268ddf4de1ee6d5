#include "platform/LastError.h"

#include <cstring>
#include <utility>

namespace {

thread_local int lastCode = 0;
thread_local std::string lastResponse;

const char* InternetMessage(int code)
{
    switch (code) {
    case ERROR_INTERNET_TIMEOUT: return "The operation timed out";
    case ERROR_INTERNET_EXTENDED_ERROR: return "The server returned an error";
    case ERROR_INTERNET_INTERNAL_ERROR: return "An internal error occurred in the FTP engine";
    case ERROR_INTERNET_INVALID_URL: return "The server address is invalid";
    case ERROR_INTERNET_NAME_NOT_RESOLVED: return "The server name could not be resolved";
    case ERROR_INTERNET_INVALID_ARGUMENT: return "A name may not contain a line break or a NUL character";
    case ERROR_INTERNET_INCORRECT_HANDLE_STATE: return "The requested operation cannot be carried out in the current state";
    case ERROR_INTERNET_CANNOT_CONNECT: return "A connection with the server could not be established";
    case ERROR_INTERNET_CONNECTION_ABORTED: return "The connection with the server was terminated";
    case ERROR_INTERNET_CONNECTION_RESET: return "The connection with the server was reset";
    case ERROR_FTP_TRANSFER_IN_PROGRESS: return "A file transfer is in progress on this connection";
    case ERROR_INTERNET_BAD_REPLY: return "The server's reply could not be understood";
    case ERROR_FTP_LARGER_THAN_LISTED: return "The server sent more than the listed size of the file";
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR: return "The encrypted connection with the server failed";
    case ERROR_INTERNET_INVALID_CA: return "The server's certificate is not trusted";
    case ERROR_LOCAL_FILE_SHRANK: return "The local file became shorter while it was being sent";
    case ERROR_LOCAL_FILE_CHANGED:
        return "The local file was changed while it was being sent: the copy on the server may mix old and new";
    case ERROR_FTP_RESUME_REFUSED: return "The server will not resume the transfer where the part ends";
    case ERROR_FTP_TOO_SLOW: return "The server sent the directory listing too slowly, so it was cut off";
    case ERROR_NOT_A_REGULAR_FILE: return "Not a regular file: only the contents of a file can be uploaded";
    default: return nullptr;
    }
}

}  // namespace

void SetLastError(int code, std::string response)
{
    lastCode = code;
    lastResponse = std::move(response);
}

bool TakeResult(const EngineResult& result)
{
    if (!result.Ok())
        SetLastError(result.code, result.response);
    return result.Ok();
}

int GetLastError()
{
    return lastCode;
}

const std::string& GetLastResponseInfo()
{
    return lastResponse;
}

std::string SystemMessage(int code)
{
    if (const char* text = InternetMessage(code))
        return text;
    if (code <= 0 || code >= ERROR_INTERNET_TIMEOUT)
        return {};
    // strerror_r's GNU form may return a static text instead of filling the buffer.
    char buffer[256] = {};
    const char* text = strerror_r(code, buffer, sizeof buffer);
    const std::string message = text ? text : "";
    if (message.rfind("Unknown error", 0) == 0)
        return {};
    return message;
}
