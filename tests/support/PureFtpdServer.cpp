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
    directory = MakeServerFolder("pureftpd");
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
    WaitForListener(process, port, "pure-ftpd");
}

void PureFtpdServer::WriteFile(const std::string& relative, const std::string& contents) const
{
    std::ofstream(root + "/" + relative, std::ios::binary) << contents;
}
