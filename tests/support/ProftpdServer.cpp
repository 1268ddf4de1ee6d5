#include "support/ProftpdServer.h"

#include "support/LoopbackPort.h"
#include "support/ServerProcess.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

const std::string kUnpacked = std::string(VANTREL_TEST_DIR) + "/../.servers/proftpd-core";
const std::string kProgram = kUnpacked + "/usr/sbin/proftpd";
// The server's own account; the user's files are its.
constexpr int kNobody = 65534;

// proftpd refuses a user file others may read.
void WritePrivate(const std::string& path, const std::string& text)
{
    std::ofstream out(path);
    out << text;
    out.close();
    if (!out || ::chmod(path.c_str(), 0600) != 0)
        throw std::runtime_error("cannot write " + path);
}

// A SHA-512 crypt of the password, made by openssl for this run.
std::string PasswordHash()
{
    const std::string command = std::string("openssl passwd -6 ") + ProftpdServer::Password;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run openssl passwd");
    std::array<char, 256> line{};
    const bool read = std::fgets(line.data(), line.size(), pipe) != nullptr;
    ::pclose(pipe);
    std::string hash = read ? line.data() : "";
    hash.erase(hash.find_last_not_of("\r\n") + 1);
    if (hash.empty())
        throw std::runtime_error("openssl passwd gave no hash");
    return hash;
}

}  // namespace

ProftpdServer::ProftpdServer()
{
    if (::access(kProgram.c_str(), X_OK) != 0)
        throw std::runtime_error(kProgram + " is not unpacked (scripts/deps does it)");
    if (::geteuid() != 0)
        throw std::runtime_error("proftpd switches to the nobody account, which needs root");
    directory = MakeServerFolder("proftpd");
    root = directory + "/root";
    try {
        std::filesystem::create_directory(root);
        ::chmod(directory.c_str(), 0755);
        if (::chown(root.c_str(), kNobody, kNobody) != 0)
            throw std::runtime_error("cannot give the root to nobody");
        WritePrivate(directory + "/passwd", std::string(User) + ":" + PasswordHash() + ":65534:65534::" + root +
                                                ":/bin/false\n");
        WritePrivate(directory + "/group", "nogroup:x:65534:\n");
        port = UnusedLoopbackPort();
        WriteConfiguration();
        Start();
    } catch (...) {
        StopServer(process, directory);
        throw;
    }
}

ProftpdServer::~ProftpdServer()
{
    StopServer(process, directory);
}

void ProftpdServer::WriteConfiguration() const
{
    std::ofstream out(directory + "/proftpd.conf");
    out << "ServerType standalone\nServerName \"Vantrel test\"\n"
        << "Port " << port << "\nDefaultAddress 127.0.0.1\nSocketBindTight on\n"
        << "User nobody\nGroup nogroup\n"
        << "PidFile " << directory << "/proftpd.pid\nScoreboardFile " << directory << "/scoreboard\n"
        << "DelayTable none\nWtmpLog off\nUseReverseDNS off\nTransferLog none\n"
        << "SystemLog " << directory << "/system.log\n"
        << "ModulePath " << kUnpacked << "/usr/lib/proftpd\n"
        << "<IfModule mod_dso.c>\nLoadModule mod_digest.c\n</IfModule>\n"
        << "AuthOrder mod_auth_file.c\nAuthUserFile " << directory << "/passwd\nAuthGroupFile " << directory
        << "/group\nRequireValidShell off\nDefaultRoot ~\n"
        << "AllowOverwrite on\nAllowStoreRestart on\nAllowRetrieveRestart on\nDigestEngine on\n";
    if (!out)
        throw std::runtime_error("cannot write the proftpd configuration");
}

void ProftpdServer::Start()
{
    process = ::fork();
    if (process < 0)
        throw std::runtime_error("cannot start proftpd");
    if (process == 0) {
        const std::string configuration = directory + "/proftpd.conf";
        // In the foreground, so the test owns its one process.
        ::execl(kProgram.c_str(), kProgram.c_str(), "-n", "-q", "-c", configuration.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    WaitForListener(process, port, "proftpd");
}

void ProftpdServer::WriteFile(const std::string& relative, const std::string& contents) const
{
    const std::string path = PathOf(relative);
    std::ofstream(path, std::ios::binary) << contents;
    if (::chown(path.c_str(), kNobody, kNobody) != 0)
        throw std::runtime_error("cannot give " + path + " to nobody");
}

std::string ProftpdServer::ReadFile(const std::string& relative) const
{
    std::ifstream in(PathOf(relative), std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}
