#include "support/ServerProcess.h"

#include <csignal>
#include <filesystem>
#include <sys/wait.h>

void StopServer(pid_t process, const std::string& folder)
{
    if (process > 0) {
        ::kill(process, SIGTERM);
        ::waitpid(process, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
