#pragma once
#include "engine/EngineResult.h"

#include <cstdint>
#include <string>

// When a login encrypts. WhenOffered: the server's FEAT lists AUTH TLS and
// AUTH TLS is not refused (a plain domain). Demanded: a domain written
// ftpes://, refused by a server without TLS before the user name goes out.
// Implicit: a domain written ftps://, TLS from the first byte. Declined: the
// user chose to go on in clear after a certificate question.
enum class TlsPolicy { WhenOffered, Demanded, Implicit, Declined };

// The server certificate a login could not verify, for the user's question.
struct ServerCertificate {
    std::string problem;      // OpenSSL's reason, e.g. "self-signed certificate"
    std::string subject;
    std::string issuer;
    std::string notBefore;
    std::string notAfter;
    std::string fingerprint;  // SHA-256, upper-case hex pairs joined by ':'
};

struct FtpLoginRequest {
    std::string host;
    std::uint16_t port = 21;
    std::string user;
    std::string password;
    TlsPolicy tls = TlsPolicy::WhenOffered;
    // A certificate the user trusts for this host and port although it does
    // not verify; empty for none.
    std::string trustedFingerprint;
    // What the engine noted of this host and port at the last login
    // (RemoteFileSystem::ServerNotes), kept for it by the program; empty for
    // a server not met before.
    std::string serverNotes;
};

struct FtpLoginOutcome {
    EngineResult result;  // a failure's cause is in words for the user
    enum class Certificate { Verified, Untrusted } certificateState = Certificate::Verified;
    ServerCertificate certificate;  // when Untrusted
};
