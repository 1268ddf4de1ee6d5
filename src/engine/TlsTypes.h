#pragma once
#include "engine/EngineResult.h"

#include <cstdint>
#include <functional>
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

// The protocol a login speaks: FTP (in clear or over TLS, as TlsPolicy says)
// or SFTP, over SSH, written sftp:// in the Domain box.
enum class RemoteProtocol { Ftp, Sftp };

// An SSH server's host key that no known_hosts file lists, for the user's
// question.
struct ServerHostKey {
    std::string type;         // "ssh-ed25519"
    std::string fingerprint;  // "SHA256:" and the unpadded base64 of its SHA-256, as OpenSSH shows it
};

// Asks the user for a secret (a key's passphrase) on the login's thread;
// false when the user declined. `prompt` names what is asked for.
using SecretPrompt = std::function<bool(const std::string& prompt, std::string& answer)>;

struct FtpLoginRequest {
    RemoteProtocol protocol = RemoteProtocol::Ftp;
    std::string host;
    std::uint16_t port = 21;
    std::string user;
    std::string password;
    TlsPolicy tls = TlsPolicy::WhenOffered;
    // A certificate the user trusts for this host and port although it does
    // not verify; over SFTP, the fingerprint of an unknown host key the user
    // chose to trust (added to known_hosts when the server shows that key).
    // Empty for none.
    std::string trustedFingerprint;
    // Over SFTP, how a passphrase-protected key asks for its passphrase; a
    // login without it skips such keys.
    SecretPrompt askSecret;
    // What the engine noted of this host and port at the last login
    // (RemoteFileSystem::ServerNotes), kept for it by the program; empty for
    // a server not met before.
    std::string serverNotes;
};

struct FtpLoginOutcome {
    EngineResult result;  // a failure's cause is in words for the user
    enum class Certificate { Verified, Untrusted } certificateState = Certificate::Verified;
    ServerCertificate certificate;  // when Untrusted
    // An SFTP server whose host key no known_hosts file lists; nothing was
    // sent but the key exchange.
    enum class HostKey { Known, Unknown } hostKeyState = HostKey::Known;
    ServerHostKey hostKey;  // when Unknown
};
