// Delete, mkdir and rename through the real window against pyftpdlib, every
// box and prompt matched and answered.
#include "fileops/LoggedInWindow.h"

#include <functional>

namespace {

class FileOpsWindow : public LoggedInWindow {};

struct Handler {
    const char* name;
    void (CFtpClientDlg::*run)();
};

const Handler kHandlers[] = {
    {"Delete", &CFtpClientDlg::OnDelete},
    {"Mkdir", &CFtpClientDlg::OnMkdir},
    {"Rename", &CFtpClientDlg::OnRename},
};

TEST_F(FileOpsWindow, LoggedOutEachHandlerOnlyBeeps)
{
    Open();
    for (const Handler& h : kHandlers) {
        int beeps = 0;
        WithoutDialogs([&] { beeps = BeepsOf([&] { (window.get()->*h.run)(); }); });
        EXPECT_EQ(1, beeps) << h.name;
    }
}

TEST_F(FileOpsWindow, WhileATransferRunsEachHandlerOnlyBeepsAndTouchesNothing)
{
    server.WriteFile("a.txt", "a");
    OpenLoggedIn();
    Select("a.txt");
    window->transferInProgress = 1;
    for (const Handler& h : kHandlers) {
        int beeps = 0;
        WithoutDialogs([&] { beeps = BeepsOf([&] { (window.get()->*h.run)(); }); });
        EXPECT_EQ(1, beeps) << h.name;
    }
    window->transferInProgress = 0;
    EXPECT_TRUE(server.Exists("a.txt"));
    EXPECT_EQ("a.txt", SelectedName());
}

TEST_F(FileOpsWindow, DeleteAndRenameWithNothingSelectedSayItUnderTheirOwnCaption)
{
    server.WriteFile("a.txt", "a");
    OpenLoggedIn();
    wxTEST_DIALOG(window->OnDelete(), ExpectMessageBox("Nothing selected !", "Delete", wxICON_WARNING));
    wxTEST_DIALOG(window->OnRename(), ExpectMessageBox("Nothing selected !", "Rename", wxICON_WARNING));
    EXPECT_TRUE(server.Exists("a.txt"));
}

TEST_F(FileOpsWindow, DeleteAnsweredNoKeepsTheFileSelectedAndFocusesTheList)
{
    server.WriteFile("keep.txt", "k");
    server.WriteFile("other.txt", "o");
    OpenLoggedIn();
    Select("keep.txt");
    window->FindWindow(IDC_DELETE)->SetFocus();
    wxTEST_DIALOG(window->OnDelete(),
                  ExpectMessageBox("Detete file \"keep.txt\"", "Delete", wxICON_QUESTION, wxID_NO));
    EXPECT_TRUE(server.Exists("keep.txt"));
    EXPECT_EQ("keep.txt", SelectedName());
    PumpEvents();
    EXPECT_TRUE(ListHasFocus());
}

TEST_F(FileOpsWindow, DeleteAnsweredYesRemovesTheFileFromServerAndList)
{
    server.WriteFile("gone.txt", "g");
    server.WriteFile("stays.txt", "s");
    OpenLoggedIn();
    Select("gone.txt");
    wxTEST_DIALOG(window->OnDelete(),
                  ExpectMessageBox("Detete file \"gone.txt\"", "Delete", wxICON_QUESTION, wxID_YES));
    EXPECT_FALSE(server.Exists("gone.txt"));
    EXPECT_EQ(std::vector<std::string>{"stays.txt"}, ListedNames());
}

TEST_F(FileOpsWindow, AnEmptyDirectoryGoesWithoutAQuestion)
{
    server.MakeDirectory("empty");
    OpenLoggedIn();
    Select("empty");
    WithoutDialogs([&] { window->OnDelete(); });
    EXPECT_FALSE(server.Exists("empty"));
    EXPECT_TRUE(ListedNames().empty());
}

TEST_F(FileOpsWindow, ADirectoryTheServerRefusesToRemoveIsReportedAndReselected)
{
    server.WriteFile("full/inside.txt", "i");
    server.WriteFile("z.txt", "z");
    OpenLoggedIn();
    Select("full");
    window->FindWindow(IDC_DELETE)->SetFocus();
    wxTEST_DIALOG(window->OnDelete(),
                  ExpectMessageBox("Problem removing directory\n\"full\"\n550 Directory not empty.", "Delete",
                                   wxICON_ERROR));
    EXPECT_TRUE(server.Exists("full/inside.txt"));
    EXPECT_EQ("full", SelectedName());
    PumpEvents();
    EXPECT_TRUE(ListHasFocus());
}

TEST_F(FileOpsWindow, ARefusedFileRemovalIsReportedWithTheServersText)
{
    server.WriteFile("ro.txt", "r");
    Open();
    LogIn(PyFtpServer::ReaderUser, PyFtpServer::ReaderPassword);
    Select("ro.txt");
    wxTEST_DIALOG(window->OnDelete(), ExpectMessageBox("Detete file \"ro.txt\"", "Delete", wxICON_QUESTION, wxID_YES),
                  ExpectMessageBox("Problem removing file\n\"ro.txt\"\n550 Not enough privileges.", "Delete",
                                   wxICON_ERROR));
    EXPECT_TRUE(server.Exists("ro.txt"));
}

TEST_F(FileOpsWindow, MkdirTrimsAndLowerCasesTheName)
{
    OpenLoggedIn();
    wxTEST_DIALOG(window->OnMkdir(), ExpectPrompt::Ok("Enter New Directory", "", "  New Folder  "));
    EXPECT_TRUE(server.Exists("new folder"));
    EXPECT_FALSE(server.Exists("New Folder"));
    EXPECT_EQ(std::vector<std::string>{"new folder"}, ListedNames());
}

TEST_F(FileOpsWindow, MkdirWithOnlyBlanksSaysNothingEnteredAndAsksAgainEmpty)
{
    OpenLoggedIn();
    wxTEST_DIALOG(window->OnMkdir(), ExpectPrompt::Ok("Enter New Directory", "", "   \t "),
                  ExpectMessageBox("Nothing entered!", "Make New Directory", wxICON_WARNING),
                  ExpectPrompt::Ok("Enter New Directory", "", "Second Try"));
    EXPECT_TRUE(server.Exists("second try"));
}

TEST_F(FileOpsWindow, ARefusedMkdirAsksAgainWithTheRejectedName)
{
    server.MakeDirectory("taken");
    OpenLoggedIn();
    wxTEST_DIALOG(window->OnMkdir(), ExpectPrompt::Ok("Enter New Directory", "", " TAKEN "),
                  ExpectMessageBox("taken\n\n550 File exists.", "Make New Directory", wxICON_ERROR),
                  ExpectPrompt::Cancel("Enter New Directory", "taken"));
    EXPECT_EQ(std::vector<std::string>{"taken"}, ListedNames());
}

TEST_F(FileOpsWindow, MkdirCancelledCreatesNothing)
{
    OpenLoggedIn();
    wxTEST_DIALOG(window->OnMkdir(), ExpectPrompt::Cancel("Enter New Directory", ""));
    EXPECT_TRUE(ListedNames().empty());
}

TEST_F(FileOpsWindow, RenameOffersTheCurrentNameAndRenamesOnTheServer)
{
    server.WriteFile("old name.txt", "contents");
    OpenLoggedIn();
    Select("old name.txt");
    wxTEST_DIALOG(window->OnRename(), ExpectPrompt::Ok("Rename", "old name.txt", "New Name.TXT"));
    EXPECT_FALSE(server.Exists("old name.txt"));
    EXPECT_EQ("contents", server.ReadFile("New Name.TXT"));
    EXPECT_EQ(std::vector<std::string>{"New Name.TXT"}, ListedNames());
}

TEST_F(FileOpsWindow, RenameCancelledChangesNothing)
{
    server.WriteFile("a.txt", "a");
    OpenLoggedIn();
    Select("a.txt");
    wxTEST_DIALOG(window->OnRename(), ExpectPrompt::Cancel("Rename", "a.txt"));
    EXPECT_TRUE(server.Exists("a.txt"));
    EXPECT_EQ("a.txt", SelectedName());
}

// The server replaces a rename's target silently; a change of case alone
// names no other entry and asks nothing.
TEST_F(FileOpsWindow, RenameOntoAnotherListedNameAsksAndOnlyYesReplacesIt)
{
    server.WriteFile("draft.txt", "draft");
    server.WriteFile("final.txt", "final");
    OpenLoggedIn();
    Select("draft.txt");
    wxTEST_DIALOG(window->OnRename(), ExpectPrompt::Ok("Rename", "draft.txt", "Draft.txt"));
    const auto replaceQuestion = [](int answer) {
        return ExpectMessageBox("\"final.txt\"\nAlready exists on the server.\nRename anyway ?", "Rename",
                                wxICON_QUESTION, answer);
    };
    Select("Draft.txt");
    wxTEST_DIALOG(window->OnRename(), ExpectPrompt::Ok("Rename", "Draft.txt", "final.txt"), replaceQuestion(wxID_NO),
                  ExpectPrompt::Cancel("Rename", "final.txt"));
    EXPECT_EQ("draft", server.ReadFile("Draft.txt"));
    EXPECT_EQ("final", server.ReadFile("final.txt"));
    wxTEST_DIALOG(window->OnRename(), ExpectPrompt::Ok("Rename", "Draft.txt", "final.txt"), replaceQuestion(wxID_YES));
    EXPECT_EQ("draft", server.ReadFile("final.txt"));
    EXPECT_EQ(std::vector<std::string>{"final.txt"}, ListedNames());

    // The first row is as much another entry as any.
    server.WriteFile("zz.txt", "zz");
    window->OnRefresh();
    Select("zz.txt");
    wxTEST_DIALOG(window->OnRename(), ExpectPrompt::Ok("Rename", "zz.txt", "final.txt"), replaceQuestion(wxID_NO),
                  ExpectPrompt::Cancel("Rename", "final.txt"));
    EXPECT_EQ("draft", server.ReadFile("final.txt"));
}

TEST_F(FileOpsWindow, ARefusedRenameNamesBothAndAsksAgainWithTheNewName)
{
    server.MakeDirectory("folder");
    OpenLoggedIn();
    Select("folder");
    wxTEST_DIALOG(
        window->OnRename(), ExpectPrompt::Ok("Rename", "folder", "no/such/place"),
        ExpectMessageBox("Problem renaming\n\"folder\" to \"no/such/place\"\n550 No such file or directory.",
                         "Rename", wxICON_ERROR),
        ExpectPrompt::Ok("Rename", "no/such/place", "moved"));
    EXPECT_TRUE(server.Exists("moved"));
    EXPECT_EQ(std::vector<std::string>{"moved"}, ListedNames());
}

} // namespace
