#include "support/ServerProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <sys/wait.h>

std::string MakeServerFolder(const std::string& name)
{
    std::string pattern = "/tmp/vantrel-" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder for " + name);
    return pattern;
}

void EndServerProcess(pid_t& process)
{
    if (process > 0) {
        ::kill(process, SIGTERM);
        ::waitpid(process, nullptr, 0);
    }
    process = -1;
}

void StopServer(pid_t process, const std::string& folder)
{
    EndServerProcess(process);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

namespace {

// The processes whose parent is `parent`, from /proc.
std::vector<pid_t> ChildrenOf(pid_t parent)
{
    std::vector<pid_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: the name may hold spaces and parentheses.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        pid_t ppid = 0;
        if (rest >> state >> ppid && ppid == parent)
            children.push_back(static_cast<pid_t>(std::stol(name)));
    }
    return children;
}

}  // namespace

void KillSessionsOf(pid_t process, int signal)
{
    std::vector<pid_t> sessions = ChildrenOf(process);
    for (std::size_t i = 0; i < sessions.size(); ++i)
        for (pid_t grandchild : ChildrenOf(sessions[i]))
            sessions.push_back(grandchild);
    for (pid_t session : sessions)
        ::kill(session, signal);
}

namespace {

bool Accepts(std::uint16_t port)
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

}  // namespace

void WaitForListener(pid_t& process, std::uint16_t port, const std::string& name)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!Accepts(port)) {
        int status = 0;
        if (::waitpid(process, &status, WNOHANG) == process) {
            process = -1;
            throw std::runtime_error(name + " ended before it listened (exit status " +
                                     std::to_string(WEXITSTATUS(status)) + ")");
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error(name + " did not listen within 15 seconds");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void WriteServerFile(const std::string& root, const std::string& relative, const std::string& contents)
{
    const std::filesystem::path path = root + "/" + relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << contents;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}
