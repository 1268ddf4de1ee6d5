#include "support/PureFtpdServer.h"

#include "support/LoopbackPort.h"
#include "support/ServerProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace {

const std::string kProgram = std::string(VANTREL_TEST_DIR) + "/../.servers/pure-ftpd/usr/sbin/pure-ftpd";
constexpr auto kStartupTime = std::chrono::seconds(15);

bool Greets(std::uint16_t port)
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool connected = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return connected;
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace

PureFtpdServer::PureFtpdServer()
{
    if (::access(kProgram.c_str(), X_OK) != 0)
        throw std::runtime_error(kProgram + " is not unpacked (scripts/deps does it)");
    if (::geteuid() != 0)
        throw std::runtime_error("pure-ftpd locks its anonymous account into the root, which needs root");
    std::string pattern = "/tmp/vantrel-pureftpd-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder for pure-ftpd");
    directory = pattern;
    root = directory + "/root";
    try {
        std::filesystem::create_directory(root);
        std::filesystem::permissions(directory, std::filesystem::perms::owner_all | std::filesystem::perms::others_exec |
                                                    std::filesystem::perms::group_exec);
        // The anonymous account is "ftp", at home in the root.
        WriteText(directory + "/passwd", "ftp:x:65534:65534:ftp:" + root + ":/bin/false\n");
        WriteText(directory + "/group", "ftp:x:65534:\n");
        port = UnusedLoopbackPort();
        Start();
    } catch (...) {
        StopServer(process, directory);
        throw;
    }
}

PureFtpdServer::~PureFtpdServer()
{
    StopServer(process, directory);
}

void PureFtpdServer::Start()
{
    process = ::fork();
    if (process < 0)
        throw std::runtime_error("cannot start pure-ftpd");
    if (process == 0) {
        ::setenv("LD_PRELOAD", "libnss_wrapper.so", 1);
        ::setenv("NSS_WRAPPER_PASSWD", (directory + "/passwd").c_str(), 1);
        ::setenv("NSS_WRAPPER_GROUP", (directory + "/group").c_str(), 1);
        const std::string listen = "127.0.0.1," + std::to_string(port);
        // Anonymous users only, locked into the root; nothing in the background.
        ::execl(kProgram.c_str(), kProgram.c_str(), "-S", listen.c_str(), "-e", "-A", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartupTime;
    while (!Greets(port)) {
        if (::waitpid(process, nullptr, WNOHANG) == process) {
            process = -1;
            throw std::runtime_error("pure-ftpd ended before it listened");
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("pure-ftpd did not listen within 15 seconds");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void PureFtpdServer::WriteFile(const std::string& relative, const std::string& contents) const
{
    std::ofstream(root + "/" + relative, std::ios::binary) << contents;
}
