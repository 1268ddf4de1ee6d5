#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

// Debian's OpenSSH sshd on 127.0.0.1 at a free port, with a throwaway host
// key and configuration, serving SFTP (its login folder Root()). The test's
// HOME points at a folder of the server's while it lives, with the user's
// key in .ssh/ and a known_hosts file that holds the host key when asked.
// The test's own user logs in with that key; as root, a throwaway account
// with a password is made too. The process, its files, the account and
// HOME's change go away with the object. Throws std::runtime_error, saying
// why, when it cannot start.
enum class SshdHostKey { Known, Unknown };
// Pam: password and keyboard-interactive logins go through PAM (root only).
enum class SshdPasswords { Refused, Password, KeyboardInteractive };

class SshdServer {
public:
    static constexpr const char* PasswordUser = "vantrelsftp";
    static constexpr const char* Password = "Sftp-test-1";

    explicit SshdServer(SshdHostKey hostKey = SshdHostKey::Known, SshdPasswords passwords = SshdPasswords::Refused);
    ~SshdServer();

    SshdServer(const SshdServer&) = delete;
    SshdServer& operator=(const SshdServer&) = delete;

    std::uint16_t Port() const { return port; }
    // The test's own user name.
    const std::string& User() const { return user; }
    const std::string& Root() const { return root; }
    std::string PathOf(const std::string& relative) const { return root + "/" + relative; }
    const std::string& Home() const { return home; }
    std::string KnownHostsFile() const { return home + "/.ssh/known_hosts"; }
    // "SHA256:..." of the host key, as ssh-keygen -l shows it.
    const std::string& HostKeyFingerprint() const { return fingerprint; }

    void WriteFile(const std::string& relative, const std::string& contents) const;

    // A new host key; sshd starts again on the same port.
    void ReplaceHostKey();
    // Gives the user's key a passphrase.
    void ProtectUserKey(const std::string& passphrase) const;
    // Moves the user's key away, so that only the agent, a password or a
    // config's IdentityFile naming HiddenKey() logs in.
    void HideUserKey() const;
    std::string HiddenKey() const { return directory + "/hidden_key"; }
    // Starts ssh-agent holding the user's key and points SSH_AUTH_SOCK at it.
    void StartAgent();
    void KillSessions() const;
    // Stops the session processes (SIGSTOP) until KillSessions or the end.
    void StallSessions() const;
    // What sshd logged (VERBOSE): a login that sent a user name shows it.
    std::string Log() const;

    // Why password logins cannot be tested here (not root, PAM missing), or empty.
    static std::string WhyNoPasswordAccount();

private:
    void Release();
    void WriteConfiguration() const;
    void MakeHostKey();
    void MakePasswordAccount();
    void Start();

    SshdPasswords passwords;
    std::string directory;
    std::string root;
    std::string home;
    std::string user;
    std::string fingerprint;
    std::string savedHome;
    std::string savedAgent;
    bool hadHome = false;
    bool hadAgent = false;
    bool accountMade = false;
    pid_t process = -1;
    pid_t agent = -1;
    std::uint16_t port = 0;
};
