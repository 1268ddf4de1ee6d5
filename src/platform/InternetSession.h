#pragma once
#include "engine/EngineTimeouts.h"
#include "engine/TlsTypes.h"

#include <memory>

class FtpConnection;

// Makes FTP connections. Derived by the program's own session class.
class InternetSession {
public:
    InternetSession() = default;
    virtual ~InternetSession() = default;

    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // Loads the engine at the first call, connects, reads the greeting, asks
    // FEAT, sets up TLS as the request's policy says, and logs in. Throws
    // InternetException with a message the user can act on: the server's
    // reply ("530 Login incorrect.") or the network cause. A certificate
    // that did not verify throws UntrustedCertificateException, which
    // describes it; an SFTP server's unknown host key throws
    // UnknownHostKeyException.
    std::unique_ptr<FtpConnection> GetFtpConnection(const FtpLoginRequest& request);

    void SetTimeouts(const EngineTimeouts& timeouts) { this->timeouts = timeouts; }
    const EngineTimeouts& GetTimeouts() const { return timeouts; }

private:
    EngineTimeouts timeouts;
};
