#pragma once
#include "engine/TlsTypes.h"
#include "platform/InternetException.h"

// Thrown by InternetSession::GetFtpConnection when an SFTP server's host key
// is in no known_hosts file and is not the one the caller trusts; nothing
// but the key exchange happened, so the caller may ask the user and log in
// again.
class UnknownHostKeyException : public InternetException {
public:
    UnknownHostKeyException(int code, const std::string& message, ServerHostKey key)
        : InternetException(code, message), key(std::move(key)) {}

    const ServerHostKey& HostKey() const { return key; }

private:
    ServerHostKey key;
};
