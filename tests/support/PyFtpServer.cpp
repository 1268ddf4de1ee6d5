#include "support/PyFtpServer.h"

#include "support/ServerProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

constexpr int startupMilliseconds = 15000;

}  // namespace

PyFtpServer::PyFtpServer(Options options) : root(MakeServerFolder("ftp"))
{
    if (options.lockedDirectory)
        MakeDirectory(LockedDirectory);
    try {
        Start(options);
    } catch (...) {
        std::filesystem::remove_all(root);
        throw;
    }
}

PyFtpServer::~PyFtpServer()
{
    StopServer(process, root);
}

void PyFtpServer::Start(const Options& options)
{
    std::vector<std::string> arguments = {"/usr/bin/python3", VANTREL_TEST_DIR "/support/pyftpd_server.py", "--root",
                                          root};
    if (options.lockedDirectory) {
        arguments.push_back("--locked");
        arguments.push_back(LockedDirectory);
    }
    if (options.dosListing)
        arguments.push_back("--dos-listing");
    if (options.activeRefused)
        arguments.push_back("--refuse-active");
    if (options.passiveRefused)
        arguments.push_back("--refuse-passive");
    if (options.restRefused)
        arguments.push_back("--refuse-rest");
    arguments.push_back("--host");
    arguments.push_back(options.host);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int output[2];
    if (::pipe(output) != 0)
        throw std::runtime_error("cannot create a pipe for the FTP server");
    process = ::fork();
    if (process < 0)
        throw std::runtime_error("cannot start the FTP server");
    if (process == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::close(output[0]);
        ::close(output[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(output[1]);
    WaitForPort(output[0]);
    ::close(output[0]);
}

void PyFtpServer::WaitForPort(int output)
{
    std::string line;
    while (line.find('\n') == std::string::npos) {
        pollfd ready = {output, POLLIN, 0};
        char buffer[64];
        if (::poll(&ready, 1, startupMilliseconds) <= 0)
            throw std::runtime_error("the FTP server did not report its port");
        const ssize_t n = ::read(output, buffer, sizeof buffer);
        if (n <= 0)
            throw std::runtime_error("the FTP server ended before it listened");
        line.append(buffer, static_cast<std::size_t>(n));
    }
    port = static_cast<std::uint16_t>(std::stoi(line));
}

void PyFtpServer::WriteFile(const std::string& relative, const std::string& contents) const
{
    WriteServerFile(root, relative, contents);
}

std::string PyFtpServer::ReadFile(const std::string& relative) const
{
    std::ifstream in(PathOf(relative), std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void PyFtpServer::MakeDirectory(const std::string& relative) const
{
    std::filesystem::create_directories(PathOf(relative));
}

bool PyFtpServer::Exists(const std::string& relative) const
{
    return std::filesystem::exists(PathOf(relative));
}
