#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

// Debian's proftpd with mod_digest (hash commands: HASH, XSHA256, XSHA1,
// XMD5) on 127.0.0.1 at a free port, in the foreground, with a throwaway
// configuration made here: one user, User/Password, locked into a fresh
// temporary root. The package conflicts with vsftpd, so scripts/deps
// unpacks it into .servers/ instead of installing it. Needs root (the
// server switches to nobody). Throws std::runtime_error, saying why, when
// the server cannot start.
class ProftpdServer {
public:
    static constexpr const char* User = "anna";
    static constexpr const char* Password = "secret";

    ProftpdServer();
    ~ProftpdServer();

    ProftpdServer(const ProftpdServer&) = delete;
    ProftpdServer& operator=(const ProftpdServer&) = delete;

    std::uint16_t Port() const { return port; }
    std::string PathOf(const std::string& relative) const { return root + "/" + relative; }
    // A file the server's user may read and write.
    void WriteFile(const std::string& relative, const std::string& contents) const;
    std::string ReadFile(const std::string& relative) const;

private:
    void WriteConfiguration() const;
    void Start();

    std::string directory;  // the configuration, the user file and the root
    std::string root;
    pid_t process = -1;
    std::uint16_t port = 0;
};
