// Every file the program keeps is replaced whole: a child process that
// writes one is killed at each step of the write, and the file it leaves
// must read as the old contents before the rename and the new ones after.
#include "app/SettingsStore.h"
#include "app/HostPortFile.h"
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <wx/init.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Step = AtomicFile::Step;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Step killAt;

void KillAtStep(Step step)
{
    if (step == killAt)
        raise(SIGKILL);
}

// Runs `write` in a child process that kills itself when the write reaches
// `step`; true when the child died by that signal.
bool KilledDuring(Step step, const std::function<void()>& write)
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        killAt = step;
        AtomicFile::SetStepHook(KillAtStep);
        write();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

class AtomicFileWrites : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vantrel-atomic-XXXXXX";
        home = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        std::string error;
        ASSERT_TRUE(SettingsStore::MakeFolder(error)) << error;
    }
    void TearDown() override { std::filesystem::remove_all(home); }

    // The names in the settings folder other than `kept`: what a killed or
    // failed write left lying about.
    std::string Leftovers(const std::string& kept) const
    {
        std::string names;
        for (const auto& entry : std::filesystem::directory_iterator(SettingsStore::Folder()))
            if (entry.path().filename() != kept)
                names += entry.path().filename().string() + " ";
        return names;
    }

    wxInitializer wx;
    std::string home;
};

// Each of the program's files, written once with "old" and once with "new"
// contents, and read back as the text that tells which one it holds.
struct Writer {
    const char* name;
    const char* fileName;
    std::function<bool(const std::string& value, std::string& error)> write;
    std::function<std::string()> read;
};

std::vector<Writer> Writers()
{
    const auto trustPath = [] { return SettingsStore::Folder() + "/Trusted certificates"; };
    return {
        {"settings", "Vantrel.ini",
         [](const std::string& value, std::string& error) {
             SettingsStore store;
             store.WriteProfileString("openTextPathStr", value);
             return store.Flush(error);
         },
         [] { return SettingsStore().GetProfileString("openTextPathStr", "(no file)"); }},
        {"trusted certificates", "Trusted certificates",
         [trustPath](const std::string& value, std::string& error) {
             return HostPortFile(trustPath()).Remember("ftp.example", 21, value, error);
         },
         [trustPath] {
             const std::string found = HostPortFile(trustPath()).Find("ftp.example", 21);
             return found.empty() ? std::string("(no file)") : found;
         }},
    };
}

TEST_F(AtomicFileWrites, AKillBeforeTheRenameLeavesTheOldFileWholeAndAfterItTheNewOne)
{
    const struct {
        Step step;
        const char* expected;
    } kills[] = {{Step::Created, "old"}, {Step::Written, "old"}, {Step::Flushed, "old"}, {Step::Renamed, "new"}};
    for (const Writer& writer : Writers()) {
        for (const auto& kill : kills) {
            std::string error;
            ASSERT_TRUE(writer.write("old", error)) << error;
            ASSERT_TRUE(KilledDuring(kill.step, [&] { writer.write("new", error); })) << writer.name;
            EXPECT_EQ(kill.expected, writer.read()) << writer.name << " killed at step " << int(kill.step);
            struct stat file {};
            ASSERT_EQ(0, stat((SettingsStore::Folder() + "/" + writer.fileName).c_str(), &file));
            EXPECT_EQ(0600u, file.st_mode & 0777) << writer.name;
            // Only the half-written file of the killed child, hidden by its dot.
            for (const auto& entry : std::filesystem::directory_iterator(SettingsStore::Folder()))
                if (entry.path().filename() != writer.fileName)
                    std::filesystem::remove(entry.path());
        }
    }
}

// A write that fails says so and leaves the old file and nothing else.
TEST_F(AtomicFileWrites, AFailedWriteLeavesTheOldFileWholeAndSaysWhy)
{
    const std::string path = SettingsStore::Folder() + "/kept";
    std::string error;
    ASSERT_TRUE(AtomicFile::Write(path, "old contents", error)) << error;

    // A folder cannot be renamed over: the write gets as far as the rename.
    const std::string folderInTheWay = SettingsStore::Folder() + "/a folder";
    std::filesystem::create_directory(folderInTheWay);
    EXPECT_FALSE(AtomicFile::Write(folderInTheWay, "new", error));
    EXPECT_EQ("Cannot write " + folderInTheWay + ": Is a directory", error);
    EXPECT_TRUE(std::filesystem::is_directory(folderInTheWay));
    std::filesystem::remove(folderInTheWay);

    EXPECT_FALSE(AtomicFile::Write(SettingsStore::Folder() + "/missing/file", "new", error));
    EXPECT_NE(std::string::npos, error.find("No such file or directory")) << error;

    EXPECT_EQ("old contents", ReadAll(path));
    EXPECT_EQ("", Leftovers("kept"));
}

} // namespace
