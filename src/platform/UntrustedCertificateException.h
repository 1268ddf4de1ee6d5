#pragma once
#include "platform/InternetException.h"
#include "engine/TlsTypes.h"

// Thrown by InternetSession::GetFtpConnection when the server's certificate
// did not verify and was not the one the caller trusts; nothing but the TLS
// handshake happened, so the caller may ask the user and log in again.
class UntrustedCertificateException : public InternetException {
public:
    UntrustedCertificateException(int code, const std::string& message, ServerCertificate certificate)
        : InternetException(code, message), certificate(std::move(certificate)) {}

    const ServerCertificate& Certificate() const { return certificate; }

private:
    ServerCertificate certificate;
};
