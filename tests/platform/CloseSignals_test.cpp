// The handover of a polite signal: the first reaches the main loop and
// leaves the process alive; a second while the close runs ends it at once.
#include "platform/CloseSignals.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child whose close takes its time: it reports through `report` when the
// close began, then waits far longer than the test.
pid_t ChildWithASlowClose(int report)
{
    const pid_t child = fork();
    if (child != 0)
        return child;
    const CloseSignals closeOnSignal([report] {
        const char began = 'c';
        [[maybe_unused]] const ssize_t written = write(report, &began, 1);
        sleep(60);
        _exit(0);
    });
    const char ready = 'r';
    [[maybe_unused]] const ssize_t written = write(report, &ready, 1);
    for (;;)
        g_main_context_iteration(nullptr, TRUE);
}

char ReadByte(int fd)
{
    char byte = 0;
    return read(fd, &byte, 1) == 1 ? byte : 0;
}

TEST(CloseSignals, TheFirstSignalRunsTheCloseAndASecondOneEndsTheProcessAtOnce)
{
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        int ends[2];
        ASSERT_EQ(0, pipe(ends));
        const pid_t child = ChildWithASlowClose(ends[1]);
        ASSERT_GT(child, 0) << "no child: a kill of -1 would reach every process";
        ASSERT_EQ('r', ReadByte(ends[0]));
        kill(child, signalNumber);
        EXPECT_EQ('c', ReadByte(ends[0])) << "the close ran on the main loop, the process still alive";
        kill(child, signalNumber);
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "status " << status;
        close(ends[0]);
        close(ends[1]);
    }
}

} // namespace
