#include "platform/InternetSession.h"

#include "platform/FtpControlConnection.h"
#include "platform/InternetException.h"
#include "platform/LastError.h"

InternetSession::InternetSession() = default;

InternetSession::~InternetSession() = default;

std::unique_ptr<FtpConnection> InternetSession::GetFtpConnection(const std::string& host, const std::string& user,
                                                                 const std::string& password, std::uint16_t port,
                                                                 bool passive)
{
    if (passive)
        throw InternetException(ERROR_INTERNET_INVALID_ARGUMENT, "Passive mode is not supported");
    auto connection = std::make_unique<FtpControlConnection>(timeouts);
    if (!connection->Login(host, port, user, password)) {
        const int code = GetLastError();
        const std::string why = connection->FailureText();
        connection->Close();
        throw InternetException(code, why.empty() ? SystemMessage(code) : why);
    }
    return connection;
}

// Connections belong to their callers, so the session has nothing to release.
void InternetSession::Close() {}
