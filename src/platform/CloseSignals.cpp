#include "platform/CloseSignals.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iterator>
#include <utility>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr std::size_t kSignalCount = std::size(kSignals);

// What the handler may touch: plain values set before it is installed.
int pipeRead = -1;
int pipeWrite = -1;
volatile sig_atomic_t received = 0;
struct sigaction previous[kSignalCount];

void OnSignal(int signalNumber)
{
    if (received) {
        // The close is already under way and something wants us gone now.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    received = signalNumber;
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeWrite, &byte, 1);
    errno = savedErrno;
}

gboolean OnPipeReadable(gint fd, GIOCondition, gpointer onClose)
{
    char bytes[16];
    while (::read(fd, bytes, sizeof bytes) > 0) {
    }
    (*static_cast<std::function<void()>*>(onClose))();
    return G_SOURCE_CONTINUE;
}

} // namespace

CloseSignals::CloseSignals(std::function<void()> onClose) : onClose(std::move(onClose))
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;  // the program runs on; a signal then ends it as before
    pipeRead = ends[0];
    pipeWrite = ends[1];
    received = 0;
    watch = g_unix_fd_add(pipeRead, G_IO_IN, OnPipeReadable, &this->onClose);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &action, &previous[i]);
}

CloseSignals::~CloseSignals()
{
    if (!watch)
        return;
    for (std::size_t i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &previous[i], nullptr);
    g_source_remove(watch);
    ::close(std::exchange(pipeRead, -1));
    ::close(std::exchange(pipeWrite, -1));
}
