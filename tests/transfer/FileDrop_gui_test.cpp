// Local files dropped on the logged-in window, through the window's own drop
// target as wx calls it for a text/uri-list drop, uploaded to pyftpdlib.
#include "fileops/LoggedInWindow.h"
#include "support/TransferWindowFixture.h"
#include "transfer/DropRules.h"

#include <wx/dnd.h>

#include <sys/stat.h>

#include <filesystem>
#include <regex>

namespace {

class FileDrop : public TransferFixture<LoggedInWindow> {
protected:
    // Drops `paths` as wx hands a drop over; true when the window took it.
    bool Drop(const std::vector<std::string>& paths)
    {
        auto* target = dynamic_cast<wxFileDropTarget*>(window->GetDropTarget());
        EXPECT_TRUE(target) << "the window takes no file drops";
        if (!target)
            return false;
        wxArrayString names;
        for (const std::string& path : paths)
            names.Add(FromUtf8(path));
        return target->OnDropFiles(10, 10, names);
    }

    // The upload runs after the drop's own handling; a small file may be
    // up already when the test looks, so the started upload is told by the
    // name it remembers.
    void ExpectUploadStarted(const std::string& name)
    {
        EXPECT_TRUE(PumpUntil([&] { return window->uploadFileName == name; }, 10)) << "no upload of " << name;
    }

    // A drop that is refused: one beep, no box, nothing sent.
    void ExpectRefused(const std::vector<std::string>& paths)
    {
        WithoutDialogs([&] {
            EXPECT_EQ(1, BeepsOf([&] { EXPECT_FALSE(Drop(paths)); }));
            PumpEvents();
        });
        EXPECT_TRUE(Idle());
    }
};

TEST_F(FileDrop, OneFileIsUploadedAndRememberedAsAChosenOne)
{
    WriteLocal(Local("drop.bin"), RandomBytes(150000, 3));
    OpenLoggedIn();
    ChooseMode(IDC_BINARY);
    ASSERT_TRUE(Drop({Local("drop.bin")}));
    ExpectUploadStarted("drop.bin");
    WaitUntilIdle();
    EXPECT_TRUE(server.ReadFile("drop.bin") == ReadLocal(Local("drop.bin")));
    EXPECT_EQ("drop.bin", SelectedName());
    EXPECT_EQ(localDir + "/", window->uploadFolder);
    EXPECT_EQ("drop.bin", window->uploadFileName);
}

TEST_F(FileDrop, AListedNameIsAskedAboutAndNoKeepsTheServersFile)
{
    server.WriteFile("notes.txt", "server's");
    WriteLocal(Local("notes.txt"), "local");
    OpenLoggedIn();
    wxTEST_DIALOG(
        {
            ASSERT_TRUE(Drop({Local("notes.txt")}));
            PumpEvents();
        },
        ExpectMessageBox("\"notes.txt\"\nAlready exists on the server.\nUpload anyway ?", "Upload", wxICON_QUESTION,
                         wxID_NO));
    EXPECT_TRUE(Idle());
    EXPECT_EQ("server's", server.ReadFile("notes.txt"));
}

TEST_F(FileDrop, OfSeveralFilesTheFirstIsUploadedAndTheBarSaysTheOthersWereNot)
{
    for (const char* name : {"one.txt", "two.txt", "three.txt"})
        WriteLocal(Local(name), name);
    OpenLoggedIn();
    ASSERT_TRUE(Drop({Local("one.txt"), Local("two.txt"), Local("three.txt")}));
    ExpectUploadStarted("one.txt");
    WaitUntilIdle();
    EXPECT_EQ("one.txt", server.ReadFile("one.txt"));
    EXPECT_FALSE(server.Exists("two.txt"));
    EXPECT_FALSE(server.Exists("three.txt"));
    EXPECT_TRUE(std::regex_match(
        BarText(), std::regex("Upload   one.txt   [0-9]+ sec   [0-9]+ Kbps   2 other files not uploaded \\(one file at a time\\)")))
        << BarText();

    // The word belongs to that drop only.
    WriteLocal(Local("four.txt"), "four");
    ASSERT_TRUE(Drop({Local("four.txt")}));
    ExpectUploadStarted("four.txt");
    WaitUntilIdle();
    EXPECT_TRUE(std::regex_match(BarText(), std::regex("Upload   four.txt   [0-9]+ sec   [0-9]+ Kbps"))) << BarText();
}

TEST_F(FileDrop, AFolderNothingLocalABusyOrALoggedOutWindowOnlyBeep)
{
    WriteLocal(Local("file.txt"), "f");
    std::filesystem::create_directory(Local("folder"));
    OpenLoggedIn();
    ExpectRefused({Local("folder")});
    ExpectRefused({Local("folder"), Local("file.txt")});
    ExpectRefused({});  // wx leaves out URIs that name no local file
    ExpectRefused({Local("missing.txt")});

    window->transferInProgress = 1;
    ExpectRefused({Local("file.txt")});
    window->transferInProgress = 0;

    window->OnLogout();
    ExpectRefused({Local("file.txt")});
    EXPECT_FALSE(server.Exists("file.txt"));
    EXPECT_FALSE(server.Exists("folder"));
}

// Only a regular file is read to its end: a FIFO would block the worker on
// its first read, a device never end.
TEST(DropRules, OnlyARegularFileFirstIsUploaded)
{
    char pattern[] = "/tmp/vantrel-drop-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    WriteLocal(dir + "/file", "x");
    std::filesystem::create_symlink(dir + "/file", dir + "/link");
    std::filesystem::create_directory(dir + "/folder");
    ASSERT_EQ(0, mkfifo((dir + "/fifo").c_str(), 0600));

    struct Case {
        std::vector<std::string> paths;
        std::string chosen;
        std::size_t leftOut;
    };
    const Case cases[] = {
        {{dir + "/file"}, dir + "/file", 0},
        {{dir + "/link", dir + "/folder", dir + "/fifo"}, dir + "/link", 2},
        {{dir + "/folder", dir + "/file"}, "", 0},
        {{dir + "/fifo"}, "", 0},
        {{"/dev/zero"}, "", 0},
        {{dir + "/missing"}, "", 0},
        {{}, "", 0},
    };
    for (const Case& c : cases) {
        const DroppedUpload chosen = ChooseDroppedUpload(c.paths);
        EXPECT_EQ(c.chosen, chosen.path);
        EXPECT_EQ(c.leftOut, chosen.leftOut) << c.chosen;
    }
    EXPECT_EQ("1 other file not uploaded (one file at a time)", LeftOutText(1));
    std::filesystem::remove_all(dir);
}

} // namespace
