#include "platform/InternetSession.h"

#include "platform/EngineModule.h"
#include "engine/FtpConnection.h"
#include "engine/InternetException.h"
#include "platform/LastError.h"
#include "platform/UntrustedCertificateException.h"

InternetSession::InternetSession() = default;

InternetSession::~InternetSession() = default;

std::unique_ptr<FtpConnection> InternetSession::GetFtpConnection(const std::string& host, const std::string& user,
                                                                 const std::string& password, std::uint16_t port,
                                                                 bool passive)
{
    if (passive)
        throw InternetException(ERROR_INTERNET_INVALID_ARGUMENT, "Passive mode is not supported");
    FtpLoginRequest request;
    request.host = host;
    request.port = port;
    request.user = user;
    request.password = password;
    return GetFtpConnection(request);
}

std::unique_ptr<FtpConnection> InternetSession::GetFtpConnection(const FtpLoginRequest& request)
{
    std::string loadError;
    const OpenFtpConnectionFunction open = LoadEngineModule(loadError);
    if (!open)
        throw InternetException(ERROR_INTERNET_INTERNAL_ERROR, "The FTP engine could not be loaded: " + loadError);
    FtpLoginOutcome outcome;
    std::unique_ptr<FtpConnection> connection(open(timeouts, request, outcome));
    if (connection)
        return connection;
    const int code = GetLastError();
    const std::string message = outcome.failure.empty() ? SystemMessage(code) : outcome.failure;
    if (outcome.certificateState == FtpLoginOutcome::Certificate::Untrusted)
        throw UntrustedCertificateException(code, message, outcome.certificate);
    throw InternetException(code, message);
}

// Connections belong to their callers, so the session has nothing to release.
void InternetSession::Close() {}
