// Moving between remote directories in the real main window: chdir,
// double-click, cd .. and cd / against pyftpdlib, and the same walk against
// Debian's vsftpd.
#include "ftp/RemoteWindowFixture.h"

#include "platform/MessageBox.h"
#include "support/GuiTestHelpers.h"
#include "support/PyFtpServer.h"
#include "support/VsftpdServer.h"

#include <wx/uiaction.h>

#include <unistd.h>

#include <memory>
#include <stdexcept>

namespace {

using Texts = std::vector<std::string>;

class Navigation : public RemoteWindowFixture {
protected:
    void SetUp() override
    {
        RemoteWindowFixture::SetUp();
        server = std::make_unique<PyFtpServer>(PyFtpServer::Options{.lockedDirectory = true});
        server->WriteFile("docs/readme.txt", "read me");
        server->MakeDirectory("docs/inner");
        server->WriteFile("my folder/x.txt", "x");
        server->WriteFile("top.txt", "top");
        EnterSite("127.0.0.1", server->Port(), PyFtpServer::User, PyFtpServer::Password);
        window->OnLogin();
        ASSERT_TRUE(window->session);
    }

    void ExpectAt(const std::string& directory, const Texts& names)
    {
        EXPECT_EQ(directory, ControlText(IDC_PWD));
        EXPECT_EQ(names, Names());
        EXPECT_EQ(-1, window->fileList->FirstSelected());
    }

    const Texts rootNames = {"docs", "locked", "my folder", "top.txt"};
    std::unique_ptr<PyFtpServer> server;
};

TEST_F(Navigation, ChdirWithoutASelectionOrOnAFileAsksNothingOfTheServer)
{
    wxTEST_DIALOG(window->OnChdir(), ExpectMessageBox("Nothing selected!", "Change Directory", wxICON_WARNING));
    wxTEST_DIALOG(window->OnDblclkFileList(),
                  ExpectMessageBox("Nothing selected!", "Change Directory", wxICON_WARNING));
    SelectByName("top.txt");
    wxTEST_DIALOG(window->OnChdir(), ExpectMessageBox("Not a Directory!", "Change Directory", wxICON_WARNING));
    wxTEST_DIALOG(window->OnDblclkFileList(),
                  ExpectMessageBox("Not a Directory!", "Change Directory", wxICON_WARNING));
    EXPECT_EQ("/", ControlText(IDC_PWD));
}

TEST_F(Navigation, ChdirDoubleClickCdUpAndCdRootWalkTheTree)
{
    SelectByName("docs");
    window->OnChdir();
    ExpectAt("/docs", {"inner", "readme.txt"});
    EXPECT_EQ("\n1 folders - 1 files - 0 KB", ControlText(IDC_INFO));

    SelectByName("inner");
    window->OnDblclkFileList();
    ExpectAt("/docs/inner", {});

    window->OnCdUp();
    ExpectAt("/docs", {"inner", "readme.txt"});

    window->OnCdRoot();
    ExpectAt("/", rootNames);
}

// Real double-clicks of the pointer: on the empty part of the list, and on
// a folder's row.
TEST_F(Navigation, ADoubleClickOnTheEmptyListSaysNothingSelectedAndOnAFolderEntersIt)
{
    CFileListCtrl& list = *window->fileList;
    wxUIActionSimulator pointer;
    const wxRect area = list.GetScreenRect();
    pointer.MouseMove(area.GetLeft() + 60, area.GetBottom() - 12);
    PumpEvents();
    bool seen = false;
    wxTEST_DIALOG(pointer.MouseDblClick(); EXPECT_TRUE(PumpUntil([&] { return seen; }, 10)),
                  SeenMessageBox(&seen, "Nothing selected!", "Change Directory", wxICON_WARNING));
    EXPECT_EQ("/", ControlText(IDC_PWD));

    wxRect row;
    ASSERT_TRUE(list.GetItemRect(list.FindRow("docs"), row));
    const wxPoint middle = list.ClientToScreen(wxPoint(row.GetLeft() + 60, row.GetTop() + row.GetHeight() / 2));
    pointer.MouseMove(middle);
    PumpEvents();
    wxTestingModalHook noBox(__FILE__, __LINE__);
    pointer.MouseDblClick();
    EXPECT_TRUE(PumpUntil([&] { return ControlText(IDC_PWD) == "/docs"; }, 10));
    PumpEvents();
    noBox.CheckUnmetExpectations();
    ExpectAt("/docs", {"inner", "readme.txt"});
}

TEST_F(Navigation, AFolderWithBlanksInItsNameIsEnteredAsNamed)
{
    SelectByName("my folder");
    window->OnChdir();
    ExpectAt("/my folder", {"x.txt"});
}

TEST_F(Navigation, ARefusedChdirShowsTheServersReplyAndKeepsTheListing)
{
    SelectByName("locked");
    wxTEST_DIALOG(window->OnChdir(), ExpectMessageBox("550 Permission denied.", "Change Directory", wxICON_ERROR));
    EXPECT_EQ("/", ControlText(IDC_PWD));
    EXPECT_EQ(rootNames, Names());
}

TEST_F(Navigation, TheDirectoryReachedBecomesTheSitesStartDirectory)
{
    SelectByName("docs");
    window->OnChdir();
    window->OnLogout();
    EXPECT_EQ("/docs", LoadSiteRecord(CloseAndReread().GetProfileString("domainStr_0", "")).workingDir);
}

TEST_F(Navigation, DuringATransferEveryMoveOnlyBeeps)
{
    SelectByName("docs");
    window->transferInProgress = 1;
    const int beeps = BeepCount();
    window->OnChdir();
    window->OnDblclkFileList();
    window->OnCdUp();
    window->OnCdRoot();
    EXPECT_EQ(beeps + 4, BeepCount());
    window->transferInProgress = 0;
    EXPECT_EQ("/", ControlText(IDC_PWD));
    EXPECT_EQ(rootNames, Names());
}

TEST_F(Navigation, WhileLoggedOutEveryMoveOnlyBeeps)
{
    window->OnLogout();
    const int beeps = BeepCount();
    window->OnChdir();
    window->OnCdUp();
    window->OnCdRoot();
    EXPECT_EQ(beeps + 3, BeepCount());
}

// vsftpd names the anonymous root "/" when it can lock the user into it,
// else by its real path; the walk is the same either way.
class VsftpdNavigation : public RemoteWindowFixture {
protected:
    void SetUp() override
    {
        RemoteWindowFixture::SetUp();
        try {
            server = std::make_unique<VsftpdServer>(uploads, dataMode, VsftpdSecurity::Clear, idleSeconds);
        } catch (const std::runtime_error& failure) {
            GTEST_SKIP() << "vsftpd cannot run here: " << failure.what();
        }
    }

    std::string Below(const std::string& name) const
    {
        const std::string& root = server->ServerRoot();
        return root == "/" ? "/" + name : root + "/" + name;
    }

    VsftpdUploads uploads = VsftpdUploads::Refused;
    VsftpdDataMode dataMode = VsftpdDataMode::ActiveOnly;
    int idleSeconds = 0;
    std::unique_ptr<VsftpdServer> server;
};

// Ends a session idle for a second, as stock vsftpd does after five minutes.
class IdleDroppingVsftpd : public VsftpdNavigation {
protected:
    IdleDroppingVsftpd() { idleSeconds = 1; }
};

// A server that refuses PORT and EPRT, as one behind a NAT would.
class PassiveOnlyVsftpd : public VsftpdNavigation {
protected:
    PassiveOnlyVsftpd()
    {
        uploads = VsftpdUploads::Accepted;
        dataMode = VsftpdDataMode::PassiveOnly;
    }
};

TEST_F(VsftpdNavigation, AnonymousLoginListsAndWalksTheTree)
{
    server->WriteFile("a.txt", std::string(2500, 'a'));
    server->WriteFile("sub dir/b.txt", "b");
    server->MakeDirectory("Other");
    SetModified(server->PathOf("a.txt"), Utc(2020, 5, 6, 7, 8));
    EnterSite("127.0.0.1", server->Port(), VsftpdServer::User, "", server->ServerRoot());
    window->OnLogin();
    ASSERT_TRUE(window->session);
    EXPECT_EQ(server->ServerRoot(), ControlText(IDC_PWD));
    EXPECT_EQ((Texts{"Other", "sub dir", "a.txt"}), Names());
    // vsftpd lists a time older than half a year by its day alone.
    EXPECT_EQ("a.txt | 2 KB | 05/06/2020 12:00 AM", RowText(2));
    EXPECT_EQ("\n2 folders - 1 files - 2 KB", ControlText(IDC_INFO));

    SelectByName("sub dir");
    window->OnDblclkFileList();
    EXPECT_EQ(Below("sub dir"), ControlText(IDC_PWD));
    EXPECT_EQ((Texts{"b.txt"}), Names());

    window->OnCdUp();
    EXPECT_EQ(server->ServerRoot(), ControlText(IDC_PWD));
    EXPECT_EQ((Texts{"Other", "sub dir", "a.txt"}), Names());

    SelectByName("Other");
    window->OnChdir();
    window->OnCdRoot();
    EXPECT_EQ("/", ControlText(IDC_PWD));
    EXPECT_GT(window->fileList->GetItemCount(), 0);
}

// vsftpd lists a symbolic link as the link itself, a file row: chdir tries
// it, and only the server's refusal says it is no folder.
TEST_F(VsftpdNavigation, ALinkedFolderOpensAndALinkedFileIsNoDirectory)
{
    server->WriteFile("real/inside.txt", "x");
    server->WriteFile("plain.txt", "p");
    ASSERT_EQ(::symlink("real", server->PathOf("linked").c_str()), 0);
    ASSERT_EQ(::symlink("plain.txt", server->PathOf("linked.txt").c_str()), 0);
    EnterSite("127.0.0.1", server->Port(), VsftpdServer::User, "", server->ServerRoot());
    window->OnLogin();
    ASSERT_TRUE(window->session);
    SelectByName("linked.txt");
    wxTEST_DIALOG(window->OnChdir(), ExpectMessageBox("Not a Directory!", "Change Directory", wxICON_WARNING));
    EXPECT_TRUE(window->session);
    SelectByName("linked");
    window->OnDblclkFileList();
    EXPECT_EQ(Below("real"), ControlText(IDC_PWD));  // vsftpd names the folder the link leads to
    EXPECT_EQ((Texts{"inside.txt"}), Names());
}

TEST_F(PassiveOnlyVsftpd, LoginListsThroughPassiveMode)
{
    server->WriteFile("a.txt", std::string(2500, 'a'));
    EnterSite("127.0.0.1", server->Port(), VsftpdServer::User, "", server->ServerRoot());
    window->OnLogin();
    ASSERT_TRUE(window->session);
    EXPECT_EQ((Texts{VsftpdServer::UploadFolder, "a.txt"}), Names());
    EXPECT_EQ("\n1 folders - 1 files - 2 KB", ControlText(IDC_INFO));
    SelectByName(VsftpdServer::UploadFolder);
    window->OnDblclkFileList();
    EXPECT_EQ(Below(VsftpdServer::UploadFolder), ControlText(IDC_PWD));
    EXPECT_TRUE(Names().empty());
}

// The next command finds the session gone: the server's own words, the
// window logged out, and the folder kept for the next Login.
TEST_F(IdleDroppingVsftpd, ASessionTheServerEndedSaysSoAndLoginReturnsToTheFolder)
{
    server->MakeDirectory("deep");
    EnterSite("127.0.0.1", server->Port(), VsftpdServer::User, "", server->ServerRoot());
    window->OnLogin();
    ASSERT_TRUE(window->session);
    SelectByName("deep");
    window->OnChdir();
    const std::string folder = Below("deep");
    ASSERT_EQ(folder, ControlText(IDC_PWD));
    PumpUntil([] { return false; }, 2.5);
    wxTEST_DIALOG(window->OnRefresh(),
                  ExpectMessageBox("421 Timeout.\n\nThe session with the server has ended, so you are now logged out. "
                                   "Login brings you back to " + folder + ".",
                                   "Directory Listing", wxICON_ERROR));
    EXPECT_FALSE(window->session);
    EXPECT_EQ(folder, ControlText(IDC_PWD));
    window->OnLogin();
    ASSERT_TRUE(window->session);
    EXPECT_EQ(folder, ControlText(IDC_PWD));
}

} // namespace
