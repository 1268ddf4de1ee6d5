#include "support/ServerProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace {

constexpr auto kStartupTime = std::chrono::seconds(15);

bool Listens(std::uint16_t port)
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

void StopServer(pid_t process, const std::string& folder)
{
    if (process > 0) {
        ::kill(process, SIGTERM);
        ::waitpid(process, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void AwaitListening(pid_t& process, std::uint16_t port, const std::string& name)
{
    const auto deadline = std::chrono::steady_clock::now() + kStartupTime;
    while (!Listens(port)) {
        if (::waitpid(process, nullptr, WNOHANG) == process) {
            process = -1;
            throw std::runtime_error(name + " ended before it listened");
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error(name + " did not listen within 15 seconds");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
