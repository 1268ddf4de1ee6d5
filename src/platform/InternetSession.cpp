#include "platform/InternetSession.h"

#include "platform/EngineModule.h"
#include "engine/FtpConnection.h"
#include "engine/InternetException.h"
#include "platform/LastError.h"

InternetSession::InternetSession() = default;

InternetSession::~InternetSession() = default;

std::unique_ptr<FtpConnection> InternetSession::GetFtpConnection(const std::string& host, const std::string& user,
                                                                 const std::string& password, std::uint16_t port,
                                                                 bool passive)
{
    if (passive)
        throw InternetException(ERROR_INTERNET_INVALID_ARGUMENT, "Passive mode is not supported");
    std::string loadError;
    const OpenFtpConnectionFunction open = LoadEngineModule(loadError);
    if (!open)
        throw InternetException(ERROR_INTERNET_INTERNAL_ERROR, "The FTP engine could not be loaded: " + loadError);
    std::string failure;
    std::unique_ptr<FtpConnection> connection(open(timeouts, host, port, user, password, failure));
    if (!connection) {
        const int code = GetLastError();
        throw InternetException(code, failure.empty() ? SystemMessage(code) : failure);
    }
    return connection;
}

// Connections belong to their callers, so the session has nothing to release.
void InternetSession::Close() {}
