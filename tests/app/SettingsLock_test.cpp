// Two closes at once: the second waits until the first has written.
#include "app/SettingsLock.h"
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(SettingsLock, ASecondCloseWaitsUntilTheFirstHasWritten)
{
    char pattern[] = "/tmp/vantrel-lock-XXXXXX";
    const std::string home = mkdtemp(pattern);
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    const std::string written = home + "/first close written";
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    const pid_t first = fork();
    if (first == 0) {
        const SettingsLock held;
        [[maybe_unused]] const ssize_t told = write(ready[1], "l", 1);
        usleep(300 * 1000);
        std::ofstream(written) << "done";
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(1, read(ready[0], &byte, 1));
    {
        const SettingsLock second;
        EXPECT_TRUE(std::filesystem::exists(written)) << "the second close read before the first had written";
    }
    int status = 0;
    waitpid(first, &status, 0);
    close(ready[0]);
    close(ready[1]);
    std::filesystem::remove_all(home);
}

} // namespace
