#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

// Debian's pure-ftpd as it comes (no certificate: FEAT lists AUTH TLS, which
// it then refuses) on 127.0.0.1 at a free port, serving a fresh temporary
// root to anonymous users. The package conflicts with vsftpd, so
// scripts/deps unpacks it into .servers/ instead of installing it; its
// anonymous account is given by nss_wrapper, so /etc/passwd is never
// touched. Needs root (it locks the account into the root). Throws
// std::runtime_error, saying why, when the server cannot start.
class PureFtpdServer {
public:
    static constexpr const char* User = "anonymous";

    PureFtpdServer();
    ~PureFtpdServer();

    PureFtpdServer(const PureFtpdServer&) = delete;
    PureFtpdServer& operator=(const PureFtpdServer&) = delete;

    std::uint16_t Port() const { return port; }
    void WriteFile(const std::string& relative, const std::string& contents) const;

private:
    void Start();

    std::string directory;  // the account files and the root
    std::string root;
    pid_t process = -1;
    std::uint16_t port = 0;
};
