#include "platform/InternetSession.h"

#include "platform/EngineModule.h"
#include "platform/FtpConnection.h"
#include "platform/InternetException.h"
#include "platform/LastError.h"
#include "platform/UnknownHostKeyException.h"
#include "platform/UntrustedCertificateException.h"

std::unique_ptr<FtpConnection> InternetSession::GetFtpConnection(const FtpLoginRequest& request)
{
    std::string loadError;
    const OpenFtpConnectionFunction open = LoadEngineModule(loadError);
    if (!open)
        throw InternetException(ERROR_INTERNET_INTERNAL_ERROR, "The FTP engine could not be loaded: " + loadError);
    FtpLoginOutcome outcome;
    std::unique_ptr<RemoteFileSystem> remote(open(timeouts, request, outcome));
    if (remote)
        return std::make_unique<FtpConnection>(std::move(remote), request.protocol);
    const int code = outcome.result.code;
    SetLastError(code, outcome.result.response);
    const std::string message = outcome.result.cause.empty() ? SystemMessage(code) : outcome.result.cause;
    if (outcome.certificateState == FtpLoginOutcome::Certificate::Untrusted)
        throw UntrustedCertificateException(code, message, outcome.certificate);
    if (outcome.hostKeyState == FtpLoginOutcome::HostKey::Unknown)
        throw UnknownHostKeyException(code, message, outcome.hostKey);
    throw InternetException(code, message);
}
