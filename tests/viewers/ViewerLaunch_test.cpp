#include "viewers/DesktopViewer.h"
#include "viewers/ViewerLaunch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A desktop of the tests' own, set up before anything in the process asks
// GIO (which reads the XDG variables once): recording programs with desktop
// entries, and a mimeapps.list that makes a "runner" the default for the
// types a hostile server's file could carry. Each program writes its argv,
// NUL-separated, to "<program>.argv".
struct DesktopSandbox {
    DesktopSandbox()
    {
        std::string pattern = (fs::temp_directory_path() / "vantrel-desktop-XXXXXX").string();
        root = mkdtemp(pattern.data());
        const fs::path applications = root / "data" / "applications";
        fs::create_directories(applications);
        fs::create_directories(root / "config");
        fs::create_directories(root / "system");
        text = Program(applications, "text", "%f", "text/plain;");
        pictures = Program(applications, "pictures", "%f", "image/png;");
        browser = Program(applications, "browser", "%U", "x-scheme-handler/http;text/html;");
        runner = Program(applications, "runner", "%f",
                         "application/x-java-archive;application/x-desktop;application/x-shellscript;");
        std::ofstream(root / "config" / "mimeapps.list")
            << "[Default Applications]\n"
            << "text/plain=vantrel-test-text.desktop\n"
            << "image/png=vantrel-test-pictures.desktop\n"
            << "x-scheme-handler/http=vantrel-test-browser.desktop\n"
            << "application/x-java-archive=vantrel-test-runner.desktop\n"
            << "application/x-desktop=vantrel-test-runner.desktop\n"
            << "application/x-shellscript=vantrel-test-runner.desktop\n";
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("XDG_DATA_DIRS", (root / "system").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root / "system").c_str(), 1);
        unsetenv("XDG_CURRENT_DESKTOP");
    }
    ~DesktopSandbox() { fs::remove_all(root); }

    fs::path Program(const fs::path& applications, const std::string& name, const std::string& field,
                     const std::string& types) const
    {
        const fs::path program = root / name;
        std::ofstream(program) << "#!/bin/sh\n"
                               << "out=\"$0.argv\"\n"
                               << "printf '%s\\0' \"$0\" \"$@\" > \"$out.part\" && /bin/mv \"$out.part\" \"$out\"\n";
        fs::permissions(program, fs::perms::owner_all);
        std::ofstream(applications / ("vantrel-test-" + name + ".desktop"))
            << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=" << program.string() << " "
            << field << "\nMimeType=" << types << "\n";
        return program;
    }

    fs::path root, text, pictures, browser, runner;
};

const DesktopSandbox sandbox;

struct NameCase {
    const char* name;
    bool valid;
};

TEST(IsValidLocalFileName, AcceptsOnlyASingleComponent)
{
    const NameCase cases[] = {
        {"readme.txt", true},
        {"with blank.txt", true},
        {".hidden", true},
        {"...", true},
        {"x;touch pwned", true},
        {"", false},
        {".", false},
        {"..", false},
        {"dir/file", false},
        {"/etc/passwd", false},
        {"trailing/", false},
    };
    for (const NameCase& c : cases)
        EXPECT_EQ(IsValidLocalFileName(c.name), c.valid) << '"' << c.name << '"';
    EXPECT_FALSE(IsValidLocalFileName(std::string("nul\0inside", 10)));
}

TEST(TempViewerPath, JoinsWithExactlyOneSlashAndThePrefix)
{
    struct Case {
        const char* dir;
        const char* name;
        const char* path;
    } cases[] = {
        {"/tmp", "readme.txt", "/tmp/FTP_TEMP_readme.txt"},
        {"/tmp/", "readme.txt", "/tmp/FTP_TEMP_readme.txt"},
        {"/var/tmp//", "a b.png", "/var/tmp/FTP_TEMP_a b.png"},
        {"/", "x", "/FTP_TEMP_x"},
        {"/my temp", "Notes.TXT", "/my temp/FTP_TEMP_Notes.TXT"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TempViewerPath(c.dir, c.name), c.path) << c.dir << " + " << c.name;
}

TEST(TempDirFrom, FallsBackToTmpWhenUnsetOrEmpty)
{
    EXPECT_EQ(TempDirFrom(nullptr), "/tmp");
    EXPECT_EQ(TempDirFrom(""), "/tmp");
    EXPECT_EQ(TempDirFrom("/home/me/tmp"), "/home/me/tmp");
}

// A scratch directory with recording viewers: each script writes its argv,
// NUL-separated, to "<script>.argv" and does nothing else.
class StartViewerTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vantrel-viewer-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        bin = root / "bin";
        fs::create_directories(bin);
        const char* path = std::getenv("PATH");
        savedPath = path ? path : "";
        savedCwd = fs::current_path();
        fs::current_path(root);
    }

    void TearDown() override
    {
        setenv("PATH", savedPath.c_str(), 1);
        fs::current_path(savedCwd);
        fs::remove_all(root);
    }

    fs::path WriteRecorder(const fs::path& script)
    {
        fs::create_directories(script.parent_path());
        std::ofstream out(script);
        out << "#!/bin/sh\n"
            << "out=\"$0.argv\"\n"
            << "printf '%s\\0' \"$0\" \"$@\" > \"$out.part\" && /bin/mv \"$out.part\" \"$out\"\n";
        out.close();
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }

    void PutBinFirstOnPath() { setenv("PATH", (bin.string() + ":" + savedPath).c_str(), 1); }

    // The argv the recorder at `script` was started with, once it has run.
    static std::optional<std::vector<std::string>> RecordedArgv(const fs::path& script)
    {
        const fs::path record = script.string() + ".argv";
        for (int tries = 0; tries < 1000 && !fs::exists(record); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(record, std::ios::binary);
        if (!in)
            return std::nullopt;
        std::vector<std::string> argv;
        std::string arg;
        while (std::getline(in, arg, '\0'))
            argv.push_back(arg);
        return argv;
    }

    bool AnythingPwned() const { return fs::exists(root / "pwned") || fs::exists(bin / "pwned"); }

    fs::path root;
    fs::path bin;
    std::string savedPath;
    fs::path savedCwd;
};

TEST_F(StartViewerTest, PassesTheFileAsOneArgumentWhateverItHolds)
{
    const fs::path viewer = WriteRecorder(bin / "viewer");
    const std::string names[] = {
        "plain.txt", "with blank.txt", "quote\"s'.txt", "x;touch pwned", "a|touch pwned",
        "$(touch pwned)", "`touch pwned`", "&& touch pwned", "*", "-n", "> pwned",
    };
    for (const std::string& name : names) {
        fs::remove(viewer.string() + ".argv");
        const std::string file = TempViewerPath(root.string(), name);
        ASSERT_EQ(StartViewer(viewer.string(), file), LaunchResult::Started) << name;
        const auto argv = RecordedArgv(viewer);
        ASSERT_TRUE(argv) << name;
        EXPECT_EQ(*argv, (std::vector<std::string>{viewer.string(), file})) << name;
    }
    EXPECT_FALSE(AnythingPwned());
}

TEST_F(StartViewerTest, RunsACommandWithBlanksAndShellCharactersAsOneProgram)
{
    const fs::path viewer = WriteRecorder(root / "My Viewers" / "show;touch pwned $(x)");
    ASSERT_EQ(StartViewer(viewer.string(), "/tmp/FTP_TEMP_a.txt"), LaunchResult::Started);
    const auto argv = RecordedArgv(viewer);
    ASSERT_TRUE(argv);
    EXPECT_EQ(*argv, (std::vector<std::string>{viewer.string(), "/tmp/FTP_TEMP_a.txt"}));
    EXPECT_FALSE(AnythingPwned());
}

TEST_F(StartViewerTest, FindsABareNameOnPath)
{
    const fs::path viewer = WriteRecorder(bin / "recview");
    PutBinFirstOnPath();
    ASSERT_EQ(StartViewer("recview", "/tmp/FTP_TEMP_b.txt"), LaunchResult::Started);
    const auto argv = RecordedArgv(viewer);
    ASSERT_TRUE(argv);
    EXPECT_EQ(*argv, (std::vector<std::string>{viewer.string(), "/tmp/FTP_TEMP_b.txt"}));
}

TEST_F(StartViewerTest, SkipsPathEntriesThatAreNotExecutableFiles)
{
    fs::create_directories(root / "first" / "recview");  // a directory of that name
    fs::create_directories(root / "second");
    std::ofstream(root / "second" / "recview") << "not executable\n";
    const fs::path viewer = WriteRecorder(bin / "recview");
    const std::string path = (root / "first").string() + ":" + (root / "second").string() + ":" + bin.string();
    setenv("PATH", path.c_str(), 1);
    ASSERT_EQ(StartViewer("recview", "f"), LaunchResult::Started);
    const auto argv = RecordedArgv(viewer);
    ASSERT_TRUE(argv);
    EXPECT_EQ(argv->front(), viewer.string());
}

TEST(StandInContentType, OnlyTheExactStoredDefaultsStandForATypeEachItsOwn)
{
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"notepad.exe", "text/plain"}, {"mspaint.exe", "image/png"}, {"iexplore.exe", "x-scheme-handler/http"},
        {"NOTEPAD.EXE", std::nullopt}, {"/usr/bin/notepad.exe", std::nullopt}, {"notepad", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [command, type] : cases)
        EXPECT_EQ(StandInContentType(command), type) << command;
}

// The file's name says jar, desktop entry or script, and the desktop has a
// runner for each: the viewer's own type must choose all the same.
TEST_F(StartViewerTest, HandsWindowsDefaultsToTheDesktopProgramOfTheirOwnTypeNeverTheFiles)
{
    const fs::path opener = WriteRecorder(bin / "xdg-open");
    PutBinFirstOnPath();
    struct Case {
        const char* command;
        const char* remoteName;
        fs::path program;
    } cases[] = {
        {"notepad.exe", "notes.jar", sandbox.text},
        {"notepad.exe", "x.desktop", sandbox.text},
        {"mspaint.exe", "run.sh", sandbox.pictures},
        {"iexplore.exe", "page.jar", sandbox.browser},  // a browser taking URIs still gets the local path
    };
    for (const Case& c : cases) {
        fs::remove(c.program.string() + ".argv");
        const std::string file = TempViewerPath(root.string(), c.remoteName);
        std::ofstream(file) << "#!/bin/sh\ntouch pwned\n";
        ASSERT_EQ(StartViewer(c.command, file), LaunchResult::Started) << c.remoteName;
        const auto argv = RecordedArgv(c.program);
        ASSERT_TRUE(argv) << c.remoteName;
        EXPECT_EQ(*argv, (std::vector<std::string>{c.program.string(), file})) << c.remoteName;
    }
    EXPECT_FALSE(fs::exists(sandbox.runner.string() + ".argv"));
    EXPECT_FALSE(fs::exists(opener.string() + ".argv"));
    EXPECT_FALSE(AnythingPwned());
}

TEST_F(StartViewerTest, PrefersAWindowsDefaultThatIsOnPath)
{
    WriteRecorder(bin / "xdg-open");
    const fs::path notepad = WriteRecorder(bin / "notepad.exe");
    PutBinFirstOnPath();
    ASSERT_EQ(StartViewer("notepad.exe", "f.txt"), LaunchResult::Started);
    const auto argv = RecordedArgv(notepad);
    ASSERT_TRUE(argv);
    EXPECT_EQ(*argv, (std::vector<std::string>{notepad.string(), "f.txt"}));
    EXPECT_FALSE(fs::exists(bin / "xdg-open.argv"));
}

TEST_F(StartViewerTest, ReportsMissingProgramsAsNotFound)
{
    WriteRecorder(bin / "xdg-open");
    PutBinFirstOnPath();
    struct Case {
        std::string command;
        const char* why;
    } cases[] = {
        {"no-such-viewer-here", "a bare name that is nowhere on PATH gets no fallback"},
        {"notepad", "only the exact stored defaults fall back"},
        {(root / "missing" / "viewer").string(), "a full path to nothing"},
        {"", "no command at all"},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(StartViewer(c.command, "f"), LaunchResult::NotFound) << c.why;
        EXPECT_EQ(errno, ENOENT) << c.why;
    }
    EXPECT_FALSE(fs::exists(bin / "xdg-open.argv"));
}

TEST_F(StartViewerTest, ATypeTheDesktopHasNoProgramForIsNotFound)
{
    setenv("PATH", bin.string().c_str(), 1);
    errno = 0;
    EXPECT_EQ(StartDesktopDefault("application/x-vantrel-nothing", "f"), LaunchResult::NotFound);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(StartViewerTest, ReportsProgramsThatCannotRunWithTheirError)
{
    std::ofstream(root / "plain") << "just text\n";
    errno = 0;
    EXPECT_EQ(StartViewer((root / "plain").string(), "f"), LaunchResult::Failed);
    EXPECT_EQ(errno, EACCES);

    errno = 0;
    EXPECT_EQ(StartViewer(bin.string(), "f"), LaunchResult::Failed);
    EXPECT_EQ(errno, EACCES);
}

TEST_F(StartViewerTest, NeverFallsBackToAShellForAScriptWithoutInterpreter)
{
    const fs::path script = root / "bare-script";
    std::ofstream(script) << "touch pwned\n";
    fs::permissions(script, fs::perms::owner_all);
    errno = 0;
    EXPECT_EQ(StartViewer(script.string(), "f"), LaunchResult::Failed);
    EXPECT_EQ(errno, ENOEXEC);
    EXPECT_FALSE(AnythingPwned());
}

// Children of this process that have exited but were never waited for.
int ZombieChildren()
{
    int zombies = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        zombies += parent == getpid() && state == 'Z';
    }
    return zombies;
}

TEST_F(StartViewerTest, LeavesNoZombieBehind)
{
    const fs::path viewer = WriteRecorder(bin / "viewer");
    ASSERT_EQ(StartViewer(viewer.string(), "f"), LaunchResult::Started);
    ASSERT_TRUE(RecordedArgv(viewer));
    // The desktop's program is started by GIO, which must collect it too.
    fs::remove(sandbox.text.string() + ".argv");
    PutBinFirstOnPath();
    ASSERT_EQ(StartViewer("notepad.exe", "f"), LaunchResult::Started);
    ASSERT_TRUE(RecordedArgv(sandbox.text));
    int zombies = ZombieChildren();
    for (int tries = 0; tries < 500 && zombies > 0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        zombies = ZombieChildren();
    }
    EXPECT_EQ(zombies, 0);
}

} // namespace
