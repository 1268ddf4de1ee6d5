#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

// Debian's vsftpd on 127.0.0.1 at a free port, serving a fresh temporary root
// to anonymous users (no password, read only unless uploads are accepted,
// which also lets them rename and delete; active mode from an unprivileged port unless passive only is asked for), for
// tests against a second real server. The process,
// its configuration and the root go away with the object. Throws
// std::runtime_error, saying why, when the server cannot start.
//
// With TLS it demands it for the login and every data connection, and wants
// each data connection to resume the control connection's session; its
// certificate, for 127.0.0.1 and localhost, is made by openssl at start:
// signed by a test CA (CaFile(), for SSL_CERT_FILE) or self-signed.
enum class VsftpdUploads { Refused, Accepted };
// PassiveOnly refuses PORT and EPRT, as a server a NAT keeps from reaching us would.
enum class VsftpdDataMode { ActiveOnly, PassiveOnly };
// ImplicitTls speaks TLS from the first byte (signed by the test CA);
// TlsForAnotherName's certificate, signed by the test CA, names only
// elsewhere.test.
enum class VsftpdSecurity { Clear, TlsSignedByTestCa, TlsSelfSigned, ImplicitTls, TlsForAnotherName };

class VsftpdServer {
public:
    static constexpr const char* User = "anonymous";
    // Where accepted uploads go: vsftpd refuses a root its anonymous
    // account could write, so they land one folder down.
    static constexpr const char* UploadFolder = "incoming";

    // With `idleSeconds`, a session idle that long is ended with "421 Timeout.".
    explicit VsftpdServer(VsftpdUploads uploads = VsftpdUploads::Refused,
                          VsftpdDataMode dataMode = VsftpdDataMode::ActiveOnly,
                          VsftpdSecurity security = VsftpdSecurity::Clear, int idleSeconds = 0);
    ~VsftpdServer();

    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;

    std::uint16_t Port() const { return port; }
    const std::string& Root() const { return root; }
    std::string PathOf(const std::string& relative) const { return root + "/" + relative; }
    // The root as the server names it: "/" when vsftpd could lock the
    // anonymous user into it (running as root), else its real path.
    const std::string& ServerRoot() const { return serverRoot; }

    // Files under the root, by paths relative to it; parents are created.
    void WriteFile(const std::string& relative, const std::string& contents) const;
    void MakeDirectory(const std::string& relative) const;

    const std::string& CaFile() const { return caFile; }
    // A new key and certificate; vsftpd starts again on the same port.
    void ReplaceCertificate();
    // Kills every session process (the listener stays), as a server that
    // crashed or was restarted mid-transfer: their sockets close at once.
    void KillSessions() const;

private:
    void WriteConfiguration() const;
    void MakeCertificate();
    void Start();
    void WaitUntilListening();

    void MakeUploadFolder() const;

    VsftpdUploads uploads;
    VsftpdDataMode dataMode;
    VsftpdSecurity security;
    int idleSeconds;
    std::string caFile;
    std::string directory;  // holds the configuration and the root
    std::string root;
    std::string serverRoot;
    std::string configuration;
    pid_t process = -1;
    std::uint16_t port = 0;
};
