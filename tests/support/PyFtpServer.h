#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

// Debian's pyftpdlib on 127.0.0.1 (or ::1) at a free port, serving a fresh temporary
// root, for tests against a real server. The process and the root go away
// with the object. Throws std::runtime_error when the server cannot start.
//
// Users: User/Password may do everything; ReaderUser/ReaderPassword may only
// list and download.
class PyFtpServer {
public:
    static constexpr const char* User = "anna";
    static constexpr const char* Password = "secret";
    static constexpr const char* ReaderUser = "reader";
    static constexpr const char* ReaderPassword = "readonly";
    static constexpr const char* LockedDirectory = "locked";  // with lockedDirectory: CWD gets 550

    struct Options {
        bool lockedDirectory = false;  // create LockedDirectory and refuse to enter it
        bool dosListing = false;       // LIST in DOS/IIS form, no MLSD
        const char* host = "127.0.0.1";  // or "::1"
        bool activeRefused = false;      // PORT and EPRT answered 500, as behind a NAT
        bool passiveRefused = false;     // PASV and EPSV answered 500, as behind a strict firewall
        bool restRefused = false;        // REST answered 500: no resume but by APPE
    };

    PyFtpServer() : PyFtpServer(Options{}) {}
    explicit PyFtpServer(Options options);
    ~PyFtpServer();

    PyFtpServer(const PyFtpServer&) = delete;
    PyFtpServer& operator=(const PyFtpServer&) = delete;

    std::uint16_t Port() const { return port; }
    const std::string& Root() const { return root; }
    std::string PathOf(const std::string& relative) const { return root + "/" + relative; }

    // Files under the root, by paths relative to it; parents are created.
    void WriteFile(const std::string& relative, const std::string& contents) const;
    std::string ReadFile(const std::string& relative) const;
    void MakeDirectory(const std::string& relative) const;
    bool Exists(const std::string& relative) const;

private:
    void Start(const Options& options);
    void WaitForPort(int output);

    std::string root;
    pid_t process = -1;
    std::uint16_t port = 0;
};
