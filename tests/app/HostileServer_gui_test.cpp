// The main window against servers that break off, stall, flood, lie or send
// names meant to harm: each fault as the user meets it. Every case checks
// the box that says why (text and caption), a window idle again in the
// logged-in or logged-out look that fits, and local files left whole.
#include "ftp/RemoteWindowFixture.h"

#include "fileops/LoggedInWindow.h"

#include "app/ControlIds.h"
#include "app/HostPortFile.h"
#include "platform/MessageBox.h"
#include "sites/SiteProfile.h"
#include "support/GuiTestHelpers.h"
#include "support/ScriptedFtpServer.h"
#include "support/TransferWindowFixture.h"

#include <wx/stopwatch.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>

namespace {

using Step = ScriptedFtpServer::Step;
using Commands = std::vector<std::string>;
using Texts = std::vector<std::string>;
using namespace std::chrono_literals;

// A failure's box when the session has ended with it, in a window that was in "/".
std::string EndedSession(const std::string& text)
{
    return text + "\n\nThe session with the server has ended, so you are now logged out. Login brings you back to /.";
}

const std::string kPlainFeatures = "211-Features:\n SIZE\n211 End";
const std::string kMlsdFeatures = "211-Features:\n MLSD\n SIZE\n211 End";
const std::string kBystander = "a file no operation names";

// A data connection the client must refuse, or one that never comes, and
// the box text each gives; the same for a listing and a download.
struct DataConnectionFault {
    const char* what;
    Step step;
    std::string text;
};

std::vector<DataConnectionFault> DataConnectionFaults()
{
    return {
        {"from another address", ScriptedFtpServer::ConnectFromOther("127.0.0.2"),
         "A connection with the server could not be established"},
        {"never", ScriptedFtpServer::NeverConnect(), "The operation timed out"},
    };
}

// The bytes of a literal, NULs included.
template <std::size_t N>
std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

// One line of a Unix LIST for a file or a folder of that name.
std::string ListLine(const std::string& name, std::uint64_t size = 5, bool folder = false)
{
    return std::string(folder ? "drwxr-xr-x" : "-rw-r--r--") + " 1 u g " + std::to_string(size) +
           " Jan 01 2024 " + name + "\r\n";
}

// A field of /proc/self/status in kB.
long StatusKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

// Restarts the peak resident size (VmHWM) from the current one.
void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void ExpectIdle(const CFtpClientDlg& window)
{
    EXPECT_FALSE(window.FindWindow(IDC_ABORT)->IsEnabled());
    EXPECT_EQ(0, window.transferInProgress.load());
}

void ExpectLoggedInLook(const CFtpClientDlg& window)
{
    ExpectIdle(window);
    EXPECT_TRUE(window.session);
    EXPECT_TRUE(window.ftpConnection);
    EXPECT_FALSE(window.FindWindow(IDC_LOGIN)->IsEnabled());
    for (int id : {IDC_LOGOUT, IDC_REFRESH, IDC_DOWNLOAD, IDC_UPLOAD, IDC_CHDIR})
        EXPECT_TRUE(window.FindWindow(id)->IsEnabled()) << id;
}

void ExpectLoggedOutLook(const CFtpClientDlg& window)
{
    ExpectIdle(window);
    EXPECT_FALSE(window.session);
    EXPECT_FALSE(window.ftpConnection);
    EXPECT_TRUE(window.FindWindow(IDC_LOGIN)->IsEnabled());
    for (int id : {IDC_LOGOUT, IDC_REFRESH, IDC_DOWNLOAD, IDC_UPLOAD, IDC_CHDIR})
        EXPECT_FALSE(window.FindWindow(id)->IsEnabled()) << id;
    EXPECT_EQ(0, window.fileList->GetItemCount());
    EXPECT_EQ(INFO_TEXT, window.infoText);
}

// The window logged in through its own Login, to a scripted server, with
// deadlines short enough to wait out.
class HostileWindow : public TransferFixture<RemoteWindowFixture> {
protected:
    void SetUp() override
    {
        TransferFixture<RemoteWindowFixture>::SetUp();
        WriteLocal(Local("keep.txt"), kBystander);
    }

    void TearDown() override
    {
        EXPECT_EQ(kBystander, ReadLocal(Local("keep.txt"))) << "a file no operation named was changed";
        TransferFixture<RemoteWindowFixture>::TearDown();
    }

    // A new server, and the window (logged out) pointed at it.
    void NewServer(std::chrono::milliseconds replyDeadline = 2000ms)
    {
        if (window && LoggedIn()) {
            FailOnAnyDialog strict;
            window->OnLogout();
        }
        server = std::make_unique<ScriptedFtpServer>();
        EnterSite("127.0.0.1", server->Port(), "anna", "pw", "/");
        EngineTimeouts timeouts = ShortEngineTimeouts();
        timeouts.reply = replyDeadline;
        window->sessionTimeouts = timeouts;
    }

    // The login conversation up to the listing, which `listing` answers.
    void ScriptLogin(const Step& listing, const std::string& features = kPlainFeatures)
    {
        server->Then(features);
        server->Then("331 Password required.");
        server->Then("230 Logged in.");
        server->Then("250 CWD ok.");
        server->Then("257 \"/\" is the current directory.");
        ScriptListing(listing, true);
    }

    // TYPE A goes out only when the last transfer was binary.
    void ScriptListing(const Step& listing, bool typeFirst)
    {
        if (typeFirst)
            server->Then("200 Type set to A.");
        server->Then("200 EPRT ok.");
        server->Then(listing);
    }

    void LogIn(const Step& listing, const std::string& features = kPlainFeatures)
    {
        NewServer();
        ScriptLogin(listing, features);
        FailOnAnyDialog strict;
        window->OnLogin();
        ASSERT_TRUE(LoggedIn()) << "the login failed";
    }

    // The commands after the login's own (FEAT, USER, PASS, CWD, PWD, TYPE,
    // EPRT, LIST), data ports masked.
    Commands AfterLogin() const
    {
        Commands commands;
        const Commands all = server->Commands();
        for (std::size_t i = 8; i < all.size(); ++i)
            commands.push_back(all[i].rfind("EPRT ", 0) == 0 ? "EPRT" : all[i]);
        return commands;
    }

    std::unique_ptr<ScriptedFtpServer> server;
};

// ---- login ------------------------------------------------------------------

struct LoginFault {
    const char* where;
    Step greeting;
    std::vector<Step> replies;
    std::string text;
    Commands sent;
};

TEST_F(HostileWindow, ALoginBrokenOffAtAnyStepSaysWhyAndStaysLoggedOut)
{
    const std::string closed = "The server closed the connection";
    const std::vector<LoginFault> faults = {
        {"after the greeting", ScriptedFtpServer::ReplyThenClose("220 Ready.\r\n"), {}, closed, {}},
        {"after USER", ScriptedFtpServer::Reply("220 Ready."), {ScriptedFtpServer::ReplyThenClose("")}, closed,
         {"FEAT", "USER anna"}},
        {"after PASS", ScriptedFtpServer::Reply("220 Ready."),
         {ScriptedFtpServer::Reply("331 Password required."), ScriptedFtpServer::ReplyThenClose("")}, closed,
         {"FEAT", "USER anna", "PASS pw"}},
    };
    for (const LoginFault& fault : faults) {
        SCOPED_TRACE(fault.where);
        NewServer();
        server->Greet(fault.greeting);
        // FEAT comes before USER, so TLS can be chosen before the password goes out.
        if (!fault.replies.empty())
            server->Then(kPlainFeatures);
        for (const Step& reply : fault.replies)
            server->Then(reply);
        wxTEST_DIALOG(window->OnLogin(), ExpectMessageBox(fault.text, "Login", wxICON_ERROR));
        ExpectLoggedOutLook(*window);
        EXPECT_EQ(fault.sent, server->Commands());
    }
}

// A server that spoke TLS at an earlier login and now refuses it is left
// before the user name goes out; written ftp://, the same server logs in in
// clear, and the memory of TLS goes.
TEST_F(HostileWindow, ASiteThatSpokeTlsAndNowRefusesItIsLeftBeforeTheUserName)
{
    NewServer();
    const std::uint16_t port = server->Port();
    std::string error;
    ASSERT_TRUE(SiteMemory().Remember("127.0.0.1", port, "tls=1 mode=active feat=-,tls", error)) << error;
    server->Then("500 This security scheme is not implemented");
    wxTEST_DIALOG(window->OnLogin(),
                  ExpectMessageBox("The server at 127.0.0.1 port " + std::to_string(port) +
                                       " spoke TLS at earlier logins, and now answers AUTH TLS with: 500 This "
                                       "security scheme is not implemented\n\nNothing else was sent: someone in "
                                       "between may be trying to read the password. To log in in clear on purpose, "
                                       "write ftp://127.0.0.1 in the Domain box; that also forgets that this server "
                                       "spoke TLS.",
                                   "Login", wxICON_ERROR));
    EXPECT_EQ((Commands{"AUTH TLS"}), server->Commands());
    ExpectLoggedOutLook(*window);

    TypeInto(IDC_DOMAIN, "ftp://127.0.0.1");
    ScriptLogin(ScriptedFtpServer::SendData(ListLine("a.txt")));
    window->OnLogin();
    ASSERT_TRUE(LoggedIn());
    EXPECT_EQ("", SiteMemory().Find("127.0.0.1", port));
    window->OnLogout();
    EXPECT_EQ("tls=0 mode=active feat=+,size", SiteMemory().Find("127.0.0.1", port));
}

// The window's own session gets the deadlines it is given, so a reply that
// never comes ends the login at once here instead of after 30 s.
TEST_F(HostileWindow, ALoginReplyThatNeverComesEndsAtTheDeadline)
{
    const std::vector<LoginFault> faults = {
        {"greeting", ScriptedFtpServer::Silence(), {}, "", {}},
        {"USER", ScriptedFtpServer::Reply("220 Ready."), {ScriptedFtpServer::Silence()}, "", {"FEAT", "USER anna"}},
        {"PASS", ScriptedFtpServer::Reply("220 Ready."),
         {ScriptedFtpServer::Reply("331 Password required."), ScriptedFtpServer::Silence()}, "",
         {"FEAT", "USER anna", "PASS pw"}},
    };
    for (const LoginFault& fault : faults) {
        SCOPED_TRACE(fault.where);
        NewServer(500ms);
        server->Greet(fault.greeting);
        // FEAT comes before USER, so TLS can be chosen before the password goes out.
        if (!fault.replies.empty())
            server->Then(kPlainFeatures);
        for (const Step& reply : fault.replies)
            server->Then(reply);
        wxStopWatch watch;
        wxTEST_DIALOG(window->OnLogin(),
                      ExpectMessageBox("Timed out waiting for the server", "Login", wxICON_ERROR));
        EXPECT_LT(watch.Time(), 2500) << "the deadline was not the window's";
        ExpectLoggedOutLook(*window);
        // A server silent that long is not trusted with anything more, not even QUIT.
        PumpUntil([] { return false; }, 0.3);
        EXPECT_EQ(fault.sent, server->Commands());
    }
}

TEST_F(HostileWindow, FloodsAndGarbageAtLoginEndWithAReadableMessageInBoundedMemory)
{
    const std::string noReply = "The server sent a line that is no FTP reply: ";
    const std::vector<LoginFault> faults = {
        {"a 1 MB greeting line", ScriptedFtpServer::HugeLine(), {}, "The server sent an over-long reply line", {}},
        {"endless continuation lines", ScriptedFtpServer::EndlessContinuation(220), {},
         "The server's reply has too many lines", {}},
        // Control bytes show as '?', a stray Latin-1 byte as its letter.
        {"garbage for a greeting", ScriptedFtpServer::Raw(Bytes("\0\x01\x1b[2Jhello\xff\r\n")), {},
         noReply + "??\?[2Jhello\xc3\xbf", {}},
        {"a NUL where USER's reply has its blank", ScriptedFtpServer::Reply("220 Ready."),
         {ScriptedFtpServer::Raw(Bytes("331\0Password\r\n"))}, noReply + "331?Password", {"FEAT", "USER anna"}},
        {"NUL and BEL inside a refusal", ScriptedFtpServer::Reply("220 Ready."),
         {ScriptedFtpServer::Reply("331 Password required."),
          ScriptedFtpServer::Raw(Bytes("530 Login\0 incorrect\x07.\r\n"))},
         "530 Login? incorrect?.", {"FEAT", "USER anna", "PASS pw", "QUIT"}},
    };
    for (const LoginFault& fault : faults) {
        SCOPED_TRACE(fault.where);
        NewServer();
        server->Greet(fault.greeting);
        // FEAT comes before USER, so TLS can be chosen before the password goes out.
        if (!fault.replies.empty())
            server->Then(kPlainFeatures);
        for (const Step& reply : fault.replies)
            server->Then(reply);
        const long before = StatusKb("VmRSS");
        ResetPeakMemory();
        wxStopWatch watch;
        wxTEST_DIALOG(window->OnLogin(), ExpectMessageBox(fault.text, "Login", wxICON_ERROR));
        EXPECT_LT(watch.Time(), 3000);
        // The 1 MB line is built by the server in this process too.
        EXPECT_LT(StatusKb("VmHWM") - before, 32 * 1024) << "kB more at the peak";
        ExpectLoggedOutLook(*window);
        EXPECT_TRUE(PumpUntil([&] { return server->Commands().size() >= fault.sent.size(); }, 3));
        EXPECT_EQ(fault.sent, server->Commands());
    }
}

// The same faults as the answer to a command of a logged-in window: the
// connection cannot be trusted any more, so the window logs out. A valid
// reply that merely holds odd bytes keeps it.
TEST_F(HostileWindow, FloodsAndGarbageAfterLoginBreakTheConnectionOffAndLogOut)
{
    struct Fault {
        const char* what;
        Step reply;
        std::string text;
        bool staysLoggedIn;
    };
    const std::string unreadable = "The server's reply could not be understood";
    const std::vector<Fault> faults = {
        {"a 1 MB line", ScriptedFtpServer::HugeLine(), unreadable, false},
        {"endless continuation lines", ScriptedFtpServer::EndlessContinuation(250), unreadable, false},
        {"garbage", ScriptedFtpServer::Raw(Bytes("\0\0\xfe\x1b]0;pwned\x07\r\n")), unreadable, false},
        {"NUL and ESC in a refusal", ScriptedFtpServer::Raw(Bytes("550 No\0such\x1b file.\r\n")),
         "550 No?such? file.", true},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        LogIn(ScriptedFtpServer::SendData(ListLine("a.txt")));
        server->Then(fault.reply);
        const long before = StatusKb("VmRSS");
        ResetPeakMemory();
        wxStopWatch watch;
        wxTEST_DIALOG(window->OnCdRoot(),
                      ExpectMessageBox(fault.staysLoggedIn ? fault.text : EndedSession(fault.text),
                                       "Change to Root Dir", wxICON_ERROR));
        EXPECT_LT(watch.Time(), 3000);
        EXPECT_LT(StatusKb("VmHWM") - before, 32 * 1024) << "kB more at the peak";
        EXPECT_EQ((Commands{"CWD /"}), AfterLogin());
        if (fault.staysLoggedIn) {
            ExpectLoggedInLook(*window);
            EXPECT_EQ((Texts{"a.txt"}), Names());
        } else {
            ExpectLoggedOutLook(*window);
        }
    }
}

// Delete, Mkdir, Rename and Open In each meet a server that hangs up on
// their first command: the box tells why and the window logs out instead of
// offering a connection that is gone (Mkdir and Rename would ask again).
TEST_F(HostileWindow, AFileOperationThatMeetsADroppedConnectionSaysWhyAndLogsOut)
{
    const std::string gone = EndedSession("The connection with the server was terminated");
    struct Operation {
        const char* what;
        std::function<void()> run;
        Commands sent;
    };
    const std::vector<Operation> operations = {
        {"Delete",
         [&] {
             wxTEST_DIALOG(window->OnDelete(),
                           ExpectMessageBox("Detete file \"a.txt\"", "Delete", wxICON_QUESTION, wxID_YES),
                           ExpectMessageBox("Problem removing file\n\"a.txt\"\n" + gone, "Delete", wxICON_ERROR));
         },
         {"DELE a.txt"}},
        {"Mkdir",
         [&] {
             wxTEST_DIALOG(window->OnMkdir(), ExpectPrompt::Ok("Enter New Directory", "", "new"),
                           ExpectMessageBox("new\n\n" + gone, "Make New Directory", wxICON_ERROR));
         },
         {"MKD new"}},
        {"Rename",
         [&] {
             wxTEST_DIALOG(window->OnRename(), ExpectPrompt::Ok("Rename", "a.txt", "b.txt"),
                           ExpectMessageBox("Problem renaming\n\"a.txt\" to \"b.txt\"\n" + gone, "Rename",
                                            wxICON_ERROR));
         },
         {"RNFR a.txt"}},
        {"Open In",
         [&] {
             wxTEST_DIALOG(window->OnOpenIn(ID_OPENIN_TEXT),
                           ExpectMessageBox("\"a.txt\"\n" + gone, "Open In", wxICON_ERROR));
         },
         {"EPRT"}},
    };
    for (const Operation& operation : operations) {
        SCOPED_TRACE(operation.what);
        LogIn(ScriptedFtpServer::SendData(ListLine("a.txt")));
        server->Then(ScriptedFtpServer::ReplyThenClose(""));
        SelectByName("a.txt");
        operation.run();
        EXPECT_EQ(operation.sent, AfterLogin());
        ExpectLoggedOutLook(*window);
        EXPECT_TRUE(window->tempFiles.empty()) << "a file that never came is kept for removal";
    }
}

// ---- listings ---------------------------------------------------------------

TEST_F(HostileWindow, AListingCutOffSaysWhyAndLogsOutOnlyWhenTheConnectionIsGone)
{
    const std::string half = ListLine("one.txt") + ListLine("two.txt") + "-rw-r--r-- 1 u g 5 Jan 01 2024 thr";
    struct Fault {
        const char* what;
        Step listing;
        std::string text;
        bool staysLoggedIn;
    };
    const std::vector<Fault> faults = {
        {"reset while the data flows", ScriptedFtpServer::ResetData(half),
         "The connection with the server was reset", false},
        {"closed before the 226", ScriptedFtpServer::SendDataThenClose(ListLine("one.txt")),
         "The connection with the server was terminated", false},
        {"cut and refused with 426", ScriptedFtpServer::SendData(half, "426 Connection closed; transfer aborted."),
         "426 Connection closed; transfer aborted.", true},
        {"cut and refused with 451", ScriptedFtpServer::SendData(half, "451 Local error in processing."),
         "451 Local error in processing.", true},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        LogIn(ScriptedFtpServer::SendData(ListLine("old.txt")));
        server->Then("257 \"/\" is the current directory.");
        ScriptListing(fault.listing, false);
        wxTEST_DIALOG(window->OnRefresh(),
                      ExpectMessageBox(fault.staysLoggedIn ? fault.text : EndedSession(fault.text),
                                       "Directory Listing", wxICON_ERROR));
        EXPECT_EQ((Commands{"PWD", "EPRT", "LIST"}), AfterLogin());
        EXPECT_EQ(0, window->fileList->GetItemCount()) << "rows of a listing that failed";
        if (!fault.staysLoggedIn) {
            ExpectLoggedOutLook(*window);
            continue;
        }
        ExpectLoggedInLook(*window);
        // No counts for a listing that never came: they would read as an empty directory.
        EXPECT_EQ("", window->infoText);
        EXPECT_EQ("/", ControlText(IDC_PWD));
        // Usable as before: the next Refresh lists again.
        server->Then("257 \"/\" is the current directory.");
        ScriptListing(ScriptedFtpServer::SendData(ListLine("new.txt", 2000)), false);
        {
            FailOnAnyDialog strict;
            window->OnRefresh();
        }
        EXPECT_EQ((Texts{"new.txt"}), Names());
        EXPECT_EQ("\n0 folders - 1 files - 2 KB", window->infoText);
    }
}

TEST_F(HostileWindow, AListingThatFailsDuringLoginEndsTheLoginLoggedOut)
{
    NewServer();
    ScriptLogin(ScriptedFtpServer::ResetData(ListLine("one.txt")));
    wxTEST_DIALOG(window->OnLogin(),
                  ExpectMessageBox(EndedSession("The connection with the server was reset"), "Directory Listing",
                                   wxICON_ERROR));
    ExpectLoggedOutLook(*window);
    EXPECT_EQ(" Vantrel", ToUtf8(window->GetTitle()));
}

// The box is for failures: a directory that holds nothing (or nothing that
// reads as an entry) is no failure.
TEST_F(HostileWindow, AnEmptyOrUnreadableListingIsNoFailure)
{
    LogIn(ScriptedFtpServer::SendData(""));
    EXPECT_EQ("\n0 folders - 0 files - 0 KB", window->infoText);
    server->Then("257 \"/\" is the current directory.");
    ScriptListing(ScriptedFtpServer::SendData("total 0\r\nno entry here\r\n"), false);
    FailOnAnyDialog strict;
    window->OnRefresh();
    ExpectLoggedInLook(*window);
    EXPECT_EQ(0, window->fileList->GetItemCount());
    EXPECT_EQ("\n0 folders - 0 files - 0 KB", window->infoText);
}

TEST_F(HostileWindow, ADataConnectionFromElsewhereOrNeverIsRefusedForAListing)
{
    const std::vector<DataConnectionFault> faults = DataConnectionFaults();
    LogIn(ScriptedFtpServer::SendData(ListLine("old.txt")));
    for (const DataConnectionFault& fault : faults) {
        SCOPED_TRACE(fault.what);
        server->Then("257 \"/\" is the current directory.");
        ScriptListing(fault.step, false);
        wxStopWatch watch;
        wxTEST_DIALOG(window->OnRefresh(), ExpectMessageBox(fault.text, "Directory Listing", wxICON_ERROR));
        EXPECT_LT(watch.Time(), 5000);
        ExpectLoggedInLook(*window);
        EXPECT_EQ(0, window->fileList->GetItemCount());
    }
    // The connection is still in step: a late reply of the refused listing
    // is thrown away before the next command.
    server->Then("257 \"/\" is the current directory.");
    ScriptListing(ScriptedFtpServer::SendData(ListLine("after.txt")), false);
    FailOnAnyDialog strict;
    window->OnRefresh();
    EXPECT_EQ((Texts{"after.txt"}), Names());
}

// 100,000 entries arrive in one listing of about 6 MB.
TEST_F(HostileWindow, AListingOf100000EntriesIsShownWholeAndTheWindowStaysUsable)
{
    constexpr int folders = 1000;
    constexpr int files = 99000;
    std::string listing;
    listing.reserve(6 << 20);
    std::uint64_t total = 0;
    char line[128];
    for (int i = 0; i < folders; ++i) {
        std::snprintf(line, sizeof line, "type=dir;modify=20240102030405; dir%05d\r\n", i);
        listing += line;
    }
    for (int i = 0; i < files; ++i) {
        std::snprintf(line, sizeof line, "type=file;size=%d;modify=20240102030405; file%06d.dat\r\n", i, i);
        listing += line;
        total += static_cast<std::uint64_t>(i);
    }
    listing += "type=cdir;modify=20240102030405; /\r\ntype=pdir;modify=20240102030405; ..\r\n";
    LogIn(ScriptedFtpServer::SendData(listing), kMlsdFeatures);
    EXPECT_EQ("MLSD", server->Commands()[7]);
    ASSERT_EQ(folders + files, window->fileList->GetItemCount());
    EXPECT_EQ("\n1000 folders - 99000 files - " + std::to_string(total / 1000) + " KB", window->infoText);
    // Folders first, each kind by name.
    EXPECT_EQ("dir00000", window->fileList->Row(0).name);
    EXPECT_EQ("dir00999", window->fileList->Row(folders - 1).name);
    EXPECT_EQ("file000000.dat", window->fileList->Row(folders).name);
    EXPECT_EQ("file098999.dat | 98 KB | 01/02/2024 03:04 AM", RowText(folders + files - 1));
    window->fileList->EnsureVisible(folders + files - 1);
    PumpEvents();

    // Still usable: into a folder and its small listing.
    SelectByName("dir00500");
    server->Then("250 CWD ok.");
    server->Then("257 \"/dir00500\" is the current directory.");
    ScriptListing(ScriptedFtpServer::SendData("type=file;size=1;modify=20240102030405; inside.txt\r\n"), false);
    FailOnAnyDialog strict;
    window->OnChdir();
    EXPECT_EQ((Texts{"inside.txt"}), Names());
    EXPECT_EQ("/dir00500", ControlText(IDC_PWD));
    ExpectLoggedInLook(*window);
}

// ---- the current directory --------------------------------------------------

TEST_F(HostileWindow, APwdReplyWithoutAQuotedPathIsReportedAndNoDirectoryShown)
{
    const std::string unreadable = "The server's reply could not be understood";
    // Right after the login.
    NewServer();
    server->Then(kPlainFeatures);
    server->Then("331 Password required.");
    server->Then("230 Logged in.");
    server->Then("250 CWD ok.");
    server->Then("257 /pub is the current directory.");
    TypeInto(IDC_PWD, "/pub");
    wxTEST_DIALOG(window->OnLogin(), ExpectMessageBox(unreadable, "Directory Listing", wxICON_ERROR));
    ExpectLoggedInLook(*window);
    EXPECT_EQ("", ControlText(IDC_PWD));
    EXPECT_EQ(0, window->fileList->GetItemCount());
    EXPECT_EQ("", window->infoText);
    EXPECT_EQ("PWD", server->Commands().back()) << "a listing was asked for all the same";

    // After a change of directory, with a quote that is never closed: not
    // the folder we were in, and not half of the reply.
    LogIn(ScriptedFtpServer::SendData(ListLine("sub", 0, true)));
    SelectByName("sub");
    server->Then("250 CWD ok.");
    server->Then("257 \"/sub is the current directory.");
    wxTEST_DIALOG(window->OnChdir(), ExpectMessageBox(unreadable, "Directory Listing", wxICON_ERROR));
    EXPECT_EQ((Commands{"CWD sub", "PWD"}), AfterLogin());
    EXPECT_EQ("", ControlText(IDC_PWD));
    EXPECT_EQ(0, window->fileList->GetItemCount());
    ExpectLoggedInLook(*window);
}

// ---- names meant to harm ----------------------------------------------------

struct HostileName {
    std::string name;
    std::string proposed;  // what the save dialog offers; empty: the user types one
};

std::vector<HostileName> HostileFileNames()
{
    return {
        {"up/evil.txt", "evil.txt"},
        {"../../escape.txt", "escape.txt"},
        {"..", ""},
        {"tab\there.txt", "tab_here.txt"},
        {"ctl\x01.txt", "ctl_.txt"},
        {"esc\x1b[31m.txt", "esc_[31m.txt"},
        {"invoice\xe2\x80\xaetxt.exe", "invoice_txt.exe"},
        {"csi\xc2\x9b" "31m\xc2\x80\xc2\xa0.txt", "csi_31m_\xc2\xa0.txt"},  // C1 controls; a no-break space stays
        {"caf\xe9.txt", "caf\xc3\xa9.txt"},
        {std::string(4096, 'n') + ".txt", std::string(255, 'n')},
    };
}

const std::string kNulFile = Bytes("nul\0inside.txt");
const std::string kOddFolder = "dir\x01\xe9\xe2\x80\xae";
const std::string kNulFolder = Bytes("nul\0dir");

TEST_F(HostileWindow, HostileNamesAreListedAndNeverBecomeALocalPath)
{
    std::string listing = ListLine(kNulFile) + ListLine(kOddFolder, 0, true) + ListLine(kNulFolder, 0, true);
    std::set<std::string> expected = {kNulFile, kOddFolder, kNulFolder};
    for (const HostileName& file : HostileFileNames()) {
        listing += ListLine(file.name);
        expected.insert(file.name);
    }
    LogIn(ScriptedFtpServer::SendData(listing));
    std::set<std::string> listed;
    for (int row = 0; row < window->fileList->GetItemCount(); ++row)
        listed.insert(window->fileList->Row(row).name);
    EXPECT_EQ(expected, listed);
    // Shown readably, and drawn without harm.
    const Texts shown = Names();
    EXPECT_NE(shown.end(), std::find(shown.begin(), shown.end(), "caf\xc3\xa9.txt"));
    window->fileList->Refresh();
    window->fileList->Update();
    PumpEvents();

    // Download: a plain name of its own is proposed, and the bytes go where the user pointed.
    ChooseMode(IDC_BINARY);
    std::filesystem::create_directory(Local("in"));
    std::set<std::string> written = {"in", "keep.txt"};
    bool typeSent = false;
    for (const HostileName& file : HostileFileNames()) {
        SCOPED_TRACE(file.proposed);
        if (!typeSent)
            server->Then("200 Type set to I.");
        typeSent = true;
        server->Then("200 EPRT ok.");
        server->Then(ScriptedFtpServer::SendData("bytes of " + file.proposed));
        server->Then("213 " + std::to_string(("bytes of " + file.proposed).size()));
        const std::string chosen = "chosen" + std::to_string(written.size()) + ".bin";
        SelectByName(file.name);
        std::string proposed = "<no dialog>";
        wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("in/" + chosen), &proposed));
        EXPECT_EQ(file.proposed, proposed);
        WaitUntilIdle(10);
        const std::vector<std::string> sent = server->Commands();
        EXPECT_EQ("RETR " + file.name, sent[sent.size() - 2]) << "the remote name was not sent as listed";
        EXPECT_EQ("SIZE " + file.name, sent.back()) << "the check did not ask for the listed name";
        EXPECT_EQ("bytes of " + file.proposed, ReadLocal(Local("in/" + chosen)));
        written.insert("in/" + chosen);
    }
    // A NUL cannot travel in a command: refused before anything is sent.
    const std::size_t sentBefore = server->Commands().size();
    SelectByName(kNulFile);
    std::string proposed;
    wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("in/nul.bin"), &proposed),
                  ExpectMessageBox("A name may not contain a line break or a NUL character", "Download - Server",
                                   wxICON_ERROR));
    EXPECT_EQ("nul_inside.txt", proposed);
    EXPECT_EQ(sentBefore, server->Commands().size());
    ExpectLoggedInLook(*window);
    std::set<std::string> present;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(localDir))
        present.insert(std::filesystem::relative(entry.path(), localDir).string());
    EXPECT_EQ(written, present) << "a file landed outside the chosen paths";

    // Open In takes the remote name as the local one: anything but a plain
    // name is refused before a byte is fetched. A name too long for the
    // disk fails as the local file is made, also before the download.
    const std::string longName = std::string(4096, 'n') + ".txt";
    const std::pair<std::string, std::string> refusals[] = {
        {"up/evil.txt", "\"up/evil.txt\"\nInvalid argument"},
        {"..", "\"..\"\nInvalid argument"},
        {kNulFile, "\"nul?inside.txt\"\nInvalid argument"},
        {longName, "\"" + longName + "\"\nFile name too long"},
    };
    for (const auto& [name, text] : refusals) {
        SelectByName(name);
        wxTEST_DIALOG(window->OnOpenIn(ID_OPENIN_TEXT), ExpectMessageBox(text, "Open In", wxICON_ERROR));
    }
    EXPECT_EQ(sentBefore, server->Commands().size());
    EXPECT_TRUE(window->tempFiles.empty());

    // A folder's name goes out in CWD byte for byte; one with a NUL cannot.
    SelectByName(kNulFolder);
    wxTEST_DIALOG(window->OnChdir(), ExpectMessageBox("A name may not contain a line break or a NUL character",
                                                      "Change Directory", wxICON_ERROR));
    EXPECT_EQ(sentBefore, server->Commands().size());
    SelectByName(kOddFolder);
    server->Then("250 CWD ok.");
    server->Then("257 \"/odd\" is the current directory.");
    ScriptListing(ScriptedFtpServer::SendData(""), true);
    {
        FailOnAnyDialog strict;
        window->OnChdir();
    }
    EXPECT_EQ("CWD " + kOddFolder, server->Commands()[sentBefore]);
    ExpectLoggedInLook(*window);
}

// ---- transfers --------------------------------------------------------------

class HostileTransfer : public ScriptedTransfer {
protected:
    void SetUp() override
    {
        ScriptedTransfer::SetUp();
        WriteLocal(Local("keep.txt"), kBystander);
    }

    void TearDown() override
    {
        EXPECT_EQ(kBystander, ReadLocal(Local("keep.txt"))) << "a file no operation named was changed";
        ScriptedTransfer::TearDown();
    }

    // Runs `start` and answers the one error box the transfer ends with.
    template <class Start>
    void ExpectTransferError(Start start, const std::string& text, const std::string& caption)
    {
        start();
        wxTEST_DIALOG(EXPECT_TRUE(PumpUntilIdle(10)) << "the transfer did not end",
                      ExpectMessageBox(text, caption, wxICON_ERROR));
    }
};

TEST_F(HostileTransfer, AnUploadCutOffByTheServerSaysWhyAndLogsOut)
{
    struct Fault {
        const char* what;
        Step store;
        std::string text;
    };
    const std::vector<Fault> faults = {
        // Large enough that the client is still sending when the reset comes.
        {"the data connection reset", ScriptedFtpServer::ResetData(), "The connection with the server was reset"},
        {"the control connection dropped", ScriptedFtpServer::ReceiveDataThenClose(),
         "The connection with the server was terminated"},
    };
    const std::string bytes = RandomBytes(8 << 20, 31);
    WriteLocal(Local("up.bin"), bytes);
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        server = std::make_unique<ScriptedFtpServer>();
        window.reset();
        Attach({});
        server->Then("200 Type set to I.");
        server->Then("200 EPRT ok.");
        server->Then(fault.store);
        ChooseMode(IDC_BINARY);
        // The worker's box tells it; no listing after it to fail once more.
        ExpectTransferError([&] { StartUpload(Local("up.bin")); }, fault.text, "Upload - Server");
        EXPECT_EQ("Upload   up.bin   Failed", BarText());
        ExpectLoggedOutLook(*window);
        EXPECT_TRUE(ReadLocal(Local("up.bin")) == bytes) << "the uploaded file changed";
    }
}

TEST_F(HostileTransfer, ADownloadCutShortIsAShortFileButCutAndRefusedFailsAndKeepsThePart)
{
    const std::string remote = RandomBytes(100000, 41);
    struct Case {
        const char* what;
        std::size_t sent;
        std::string final;
    };
    const Case cases[] = {
        {"short, then 426", 20000, "426 Connection closed; transfer aborted."},
        {"short, then 451", 7777, "451 Local error in processing."},
    };
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", remote.size(), 0}});
    ChooseMode(IDC_BINARY);
    server->Then("200 Type set to I.");
    server->Then("200 EPRT ok.");
    // Fewer bytes than listed and a 226: the server says the file is that
    // long, so it is a short file and no failure.
    server->Then(ScriptedFtpServer::SendData(remote.substr(0, 3000)));
    Download("big.bin", Local("short.bin"));
    EXPECT_EQ(remote.substr(0, 3000), ReadLocal(Local("short.bin")));
    EXPECT_TRUE(std::regex_match(BarText(), std::regex("Download   big.bin   [0-9]+ sec   [0-9]+ Kbps"))) << BarText();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server->Then("200 EPRT ok.");
        server->Then(ScriptedFtpServer::SendData(remote.substr(0, c.sent), c.final));
        std::filesystem::remove(Local("part.bin"));  // a part left would be offered for Resume
        ExpectTransferError([&] { StartDownload("big.bin", Local("part.bin")); }, c.final, "Download - Server");
        EXPECT_EQ("Download   big.bin   Failed", BarText());
        EXPECT_EQ(remote.substr(0, c.sent), ReadLocal(Local("part.bin"))) << "the part is not the remote's prefix";
        ExpectLoggedInLook(*window);
    }
}

TEST_F(HostileTransfer, ADataConnectionFromElsewhereOrNeverOrEmptyAndRefusedLeavesTheExistingLocalFileAlone)
{
    const std::vector<DataConnectionFault> faults = DataConnectionFaults();
    Attach({ListEntry{LIST_KIND_FILE, "new.bin", 5000, 0}});
    ChooseMode(IDC_BINARY);
    WriteLocal(Local("old.bin"), "the user's own file");
    server->Then("200 Type set to I.");
    // No data connection has been made in this login yet, so the one that
    // never comes is tried in passive mode too, which the script refuses.
    const std::string neitherMode = "No data connection in active mode (Timed out waiting for the server's data "
                                    "connection) nor in passive mode (502 Not scripted.)";
    for (const DataConnectionFault& fault : faults) {
        SCOPED_TRACE(fault.what);
        server->Then("200 EPRT ok.");
        server->Then(fault.step);
        SelectName("new.bin");
        wxStopWatch watch;
        const bool never = fault.step.action == ScriptedFtpServer::Action::NeverConnect;
        wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("old.bin")), AnswerReplace(),
                      ExpectMessageBox(never ? neitherMode : fault.text, "Download - Server", wxICON_ERROR));
        EXPECT_LT(watch.Time(), 5000);
        ExpectLoggedInLook(*window);
        EXPECT_EQ("the user's own file", ReadLocal(Local("old.bin")));
    }
    EXPECT_EQ((Commands{"TYPE I", "EPRT", "RETR new.bin", "EPRT", "RETR new.bin", "EPSV", "PASV"}), AfterLogin());

    // A data connection that opens and ends before the first byte, then a
    // 426: nothing came to replace the old contents, so they stay.
    server->Then("200 EPRT ok.");
    server->Then(ScriptedFtpServer::SendData("", "426 Connection closed; transfer aborted."));
    ExpectTransferError([&] { StartReplacingDownload("new.bin", Local("old.bin")); },
                        "426 Connection closed; transfer aborted.", "Download - Server");
    EXPECT_EQ("Download   new.bin   Failed", BarText());
    EXPECT_EQ("the user's own file", ReadLocal(Local("old.bin")));
    ExpectLoggedInLook(*window);

    // The same empty data connection with a 226 is an empty remote file: the
    // user asked for it in place of theirs, and gets it.
    server->Then("200 EPRT ok.");
    server->Then(ScriptedFtpServer::SendData(""));
    ReplacingDownload("new.bin", Local("old.bin"));
    EXPECT_EQ("", ReadLocal(Local("old.bin")));
    EXPECT_TRUE(std::regex_match(BarText(), std::regex("Download   new.bin   [0-9]+ sec   [0-9]+ Kbps"))) << BarText();
}

// A file size limit stands in for a full disk: the write past it fails
// with the system's reason, as ENOSPC would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        EXPECT_EQ(0, setrlimit(RLIMIT_FSIZE, &limited));
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }

    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
    void (*previousHandler)(int) = SIG_DFL;
};

TEST_F(HostileTransfer, AFullDiskStopsTheDownloadWithTheSystemsReasonAndKeepsThePart)
{
    // Small enough that the server has sent it all before the client gives up.
    const std::string remote = RandomBytes(60000, 51);
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", remote.size(), 0}});
    ChooseMode(IDC_BINARY);
    server->Then("200 Type set to I.");
    server->Then("200 EPRT ok.");
    server->Then(ScriptedFtpServer::SendData(remote));
    constexpr std::size_t room = 12345;  // not a whole number of chunks
    {
        FileSizeLimit limit(room);
        ExpectTransferError([&] { StartDownload("big.bin", Local("big.bin")); }, "File too large",
                            "Download - Local File");
    }
    EXPECT_EQ("Download   big.bin   Failed", BarText());
    EXPECT_EQ(remote.substr(0, room), ReadLocal(Local("big.bin")));
    ExpectLoggedInLook(*window);
}

} // namespace
