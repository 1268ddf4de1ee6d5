#include "viewers/ViewerLaunch.h"

#include "viewers/DesktopViewer.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <thread>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kTempPrefix = "FTP_TEMP_";
constexpr const char* kDefaultSearchPath = "/usr/local/bin:/usr/bin:/bin";

struct StandIn {
    const char* command;
    const char* contentType;
};

// What each stored Windows default stands for on this desktop: the type is
// the viewer's own, never the downloaded file's.
constexpr std::array<StandIn, 3> kStandIns = {{
    {"notepad.exe", "text/plain"},
    {"mspaint.exe", "image/png"},
    {"iexplore.exe", "x-scheme-handler/http"},
}};

bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The first executable called `name` in the PATH directories; an empty
// entry stands for the current directory, as for execvp.
std::optional<std::string> FindOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream entries(path ? path : kDefaultSearchPath);
    std::string dir;
    while (std::getline(entries, dir, ':')) {
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

// A command holding "/" is a path and goes to the kernel unchanged; a bare
// name is looked up on PATH.
std::optional<std::string> ResolveProgram(const std::string& command)
{
    if (command.find('/') != std::string::npos)
        return command;
    if (command.empty())
        return std::nullopt;
    return FindOnPath(command);
}

// The viewer outlives nothing of ours, but its exit status must be collected
// or it stays a zombie until we quit. waitpid on this one pid leaves every
// other child (wxExecute's) to its own owner.
void ReapInBackground(pid_t pid)
{
    std::thread([pid] {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// The viewer runs in a session of its own, so a terminal's Ctrl-C for us
// does not reach it, with no signals blocked, SIGPIPE back at its default and
// no descriptors of ours (the FTP sockets stay with us).
int Spawn(const std::string& program, const std::string& file, pid_t& pid)
{
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    std::string argv0 = program;
    std::string argv1 = file;
    char* argv[] = {argv0.data(), argv1.data(), nullptr};
    const int error = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);

    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return error;
}

} // namespace

std::optional<std::string> StandInContentType(const std::string& command)
{
    for (const StandIn& standIn : kStandIns)
        if (command == standIn.command)
            return std::string(standIn.contentType);
    return std::nullopt;
}

bool IsValidLocalFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

std::string TempDirFrom(const char* tmpdirValue)
{
    if (!tmpdirValue || !*tmpdirValue)
        return "/tmp";
    return tmpdirValue;
}

std::string TempViewerPath(const std::string& tempDir, const std::string& remoteName)
{
    const std::size_t end = tempDir.find_last_not_of('/');
    const std::string dir = end == std::string::npos ? std::string() : tempDir.substr(0, end + 1);
    return dir + "/" + kTempPrefix + remoteName;
}

LaunchResult StartViewer(const std::string& command, const std::string& file)
{
    const std::optional<std::string> program = ResolveProgram(command);
    if (!program) {
        if (const auto contentType = StandInContentType(command))
            return StartDesktopDefault(*contentType, file);
        errno = ENOENT;
        return LaunchResult::NotFound;
    }
    pid_t pid = 0;
    const int error = Spawn(*program, file, pid);
    if (error != 0) {
        errno = error;
        return error == ENOENT ? LaunchResult::NotFound : LaunchResult::Failed;
    }
    ReapInBackground(pid);
    return LaunchResult::Started;
}
