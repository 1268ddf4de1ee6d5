#pragma once
#include "engine/EngineTimeouts.h"
#include "engine/TlsTypes.h"

#include <cstdint>
#include <memory>
#include <string>

class FtpConnection;

// Makes FTP connections. Derived by the program's own session class.
class InternetSession {
public:
    InternetSession();
    virtual ~InternetSession();

    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // Connects, reads the greeting, logs in (USER/PASS), and asks FEAT.
    // Throws InternetException with a message the user can act on: the
    // server's reply ("530 Login incorrect.") or the network cause.
    // Only active mode is built; passive must be false.
    std::unique_ptr<FtpConnection> GetFtpConnection(const std::string& host, const std::string& user,
                                                    const std::string& password, std::uint16_t port,
                                                    bool passive);
    // The same with the request's TLS policy (the one above encrypts when
    // the server offers TLS). A certificate that did not verify throws
    // UntrustedCertificateException, which describes it.
    std::unique_ptr<FtpConnection> GetFtpConnection(const FtpLoginRequest& request);

    virtual void Close();

    void SetTimeouts(const EngineTimeouts& timeouts) { this->timeouts = timeouts; }
    const EngineTimeouts& GetTimeouts() const { return timeouts; }

private:
    EngineTimeouts timeouts;
};
