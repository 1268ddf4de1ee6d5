#include "support/SshdServer.h"

#include "support/LoopbackPort.h"
#include "support/ServerProcess.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

constexpr const char* kProgram = "/usr/sbin/sshd";
constexpr const char* kPamService = "/etc/pam.d/sshd";

void Run(const std::string& command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

std::string Output(const std::string& command)
{
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("failed: " + command);
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe))
        text += buffer.data();
    if (::pclose(pipe) != 0)
        throw std::runtime_error("failed: " + command);
    return text;
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Restore(const char* name, bool had, const std::string& value)
{
    if (had)
        ::setenv(name, value.c_str(), 1);
    else
        ::unsetenv(name);
}

}  // namespace

std::string SshdServer::WhyNoPasswordAccount()
{
    if (::geteuid() != 0)
        return "password logins need a throwaway account, which only root can make";
    if (::access(kPamService, R_OK) != 0)
        return std::string(kPamService) + " is missing";
    return {};
}

SshdServer::SshdServer(SshdHostKey hostKey, SshdPasswords passwords) : passwords(passwords)
{
    if (::access(kProgram, X_OK) != 0)
        throw std::runtime_error(std::string(kProgram) + " is not installed");
    if (const passwd* account = ::getpwuid(::geteuid()))
        user = account->pw_name;
    directory = MakeServerFolder("sshd");
    root = directory + "/root";
    home = directory + "/home";
    if (const char* old = std::getenv("HOME")) {
        hadHome = true;
        savedHome = old;
    }
    if (const char* old = std::getenv("SSH_AUTH_SOCK")) {
        hadAgent = true;
        savedAgent = old;
    }
    ::unsetenv("SSH_AUTH_SOCK");
    ::setenv("HOME", home.c_str(), 1);
    try {
        ::chmod(directory.c_str(), 0755);
        std::filesystem::create_directories(home + "/.ssh");
        std::filesystem::create_directory(root);
        ::chmod(root.c_str(), 0777);
        ::chmod((home + "/.ssh").c_str(), 0700);
        Run("ssh-keygen -q -t ed25519 -N '' -C vantrel-test -f " + home + "/.ssh/id_ed25519");
        std::filesystem::copy_file(home + "/.ssh/id_ed25519.pub", directory + "/authorized_keys");
        MakeHostKey();
        port = UnusedLoopbackPort();
        if (hostKey == SshdHostKey::Known)
            std::ofstream(KnownHostsFile()) << "[127.0.0.1]:" << port << " " << ReadWhole(directory + "/host_key.pub");
        if (passwords != SshdPasswords::Refused)
            MakePasswordAccount();
        // The privilege-separation folder sshd wants when started as root.
        if (::geteuid() == 0)
            ::mkdir("/run/sshd", 0755);
        WriteConfiguration();
        Start();
    } catch (...) {
        Release();
        throw;
    }
}

SshdServer::~SshdServer()
{
    Release();
}

void SshdServer::Release()
{
    if (agent > 0) {
        ::kill(agent, SIGTERM);
        ::waitpid(agent, nullptr, 0);
        agent = -1;
    }
    if (accountMade) {
        std::system((std::string("userdel ") + PasswordUser + " >/dev/null 2>&1").c_str());
        accountMade = false;
    }
    if (process > 0)
        KillSessionsOf(process);
    StopServer(process, directory);
    process = -1;
    Restore("HOME", hadHome, savedHome);
    Restore("SSH_AUTH_SOCK", hadAgent, savedAgent);
}

void SshdServer::MakeHostKey()
{
    std::filesystem::remove(directory + "/host_key");
    std::filesystem::remove(directory + "/host_key.pub");
    Run("ssh-keygen -q -t ed25519 -N '' -C host -f " + directory + "/host_key");
    // "256 SHA256:... comment (ED25519)"
    const std::string listed = Output("ssh-keygen -l -E sha256 -f " + directory + "/host_key.pub");
    const auto start = listed.find("SHA256:");
    fingerprint = listed.substr(start, listed.find(' ', start) - start);
}

void SshdServer::MakePasswordAccount()
{
    if (const std::string why = WhyNoPasswordAccount(); !why.empty())
        throw std::runtime_error(why);
    std::system((std::string("userdel ") + PasswordUser + " >/dev/null 2>&1").c_str());
    Run(std::string("useradd -M -d ") + root + " -s /bin/sh " + PasswordUser);
    accountMade = true;
    Run(std::string("echo '") + PasswordUser + ":" + Password + "' | chpasswd");
}

void SshdServer::WriteConfiguration() const
{
    const bool pam = passwords != SshdPasswords::Refused;
    std::ofstream out(directory + "/sshd_config");
    out << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey " << directory << "/host_key\n"
        << "PidFile none\nStrictModes no\nLogLevel VERBOSE\n"
        << "AuthorizedKeysFile " << directory << "/authorized_keys\n"
        << "UsePAM " << (pam ? "yes" : "no") << "\n"
        << "PasswordAuthentication " << (passwords == SshdPasswords::Password ? "yes" : "no") << "\n"
        << "KbdInteractiveAuthentication " << (passwords == SshdPasswords::KeyboardInteractive ? "yes" : "no")
        << "\n"
        << "Subsystem sftp internal-sftp -d " << root << "\n";
    if (!out)
        throw std::runtime_error("cannot write sshd's configuration");
}

void SshdServer::Start()
{
    const std::string configuration = directory + "/sshd_config";
    const std::string log = directory + "/sshd.log";
    process = ::fork();
    if (process < 0)
        throw std::runtime_error("cannot start sshd");
    if (process == 0) {
        // The sessions it forks must not hold the test's output open.
        const int devNull = ::open("/dev/null", O_RDWR);
        for (int fd : {0, 1, 2})
            ::dup2(devNull, fd);
        ::execl(kProgram, kProgram, "-D", "-f", configuration.c_str(), "-E", log.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    WaitForListener(process, port, "sshd");
}

void SshdServer::WriteFile(const std::string& relative, const std::string& contents) const
{
    WriteServerFile(root, relative, contents);
}

void SshdServer::ReplaceHostKey()
{
    EndServerProcess(process);
    MakeHostKey();
    Start();
}

void SshdServer::ProtectUserKey(const std::string& passphrase) const
{
    Run("ssh-keygen -q -p -N '" + passphrase + "' -P '' -f " + home + "/.ssh/id_ed25519");
}

void SshdServer::HideUserKey() const
{
    for (const char* suffix : {"", ".pub"})
        std::filesystem::rename(home + "/.ssh/id_ed25519" + suffix, HiddenKey() + suffix);
}

void SshdServer::StartAgent()
{
    const std::string socket = directory + "/agent.sock";
    agent = ::fork();
    if (agent < 0)
        throw std::runtime_error("cannot start ssh-agent");
    if (agent == 0) {
        std::freopen("/dev/null", "w", stdout);
        ::execlp("ssh-agent", "ssh-agent", "-D", "-a", socket.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 250 && ::access(socket.c_str(), F_OK) != 0; ++i)
        ::usleep(20000);
    ::setenv("SSH_AUTH_SOCK", socket.c_str(), 1);
    Run("ssh-add " + home + "/.ssh/id_ed25519");
}

std::string SshdServer::Log() const
{
    return ReadWhole(directory + "/sshd.log");
}

void SshdServer::KillSessions() const
{
    KillSessionsOf(process);
}

void SshdServer::StallSessions() const
{
    KillSessionsOf(process, SIGSTOP);
}
