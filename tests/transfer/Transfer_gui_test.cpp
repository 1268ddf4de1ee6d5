// Download and upload through the real main window: the file dialogs
// answered, the worker running on its thread, and the bytes checked on both
// ends against pyftpdlib or, where exact wire bytes and faults matter, the
// scripted server.
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "ftp/CFtpSession.h"
#include "platform/FtpConnection.h"
#include "platform/Text.h"
#include "transfer/CAsciiExtDlg.h"
#include "transfer/CPercentProgressCtrl.h"
#include "transfer/TransferEvents.h"
#include "support/GuiTestHelpers.h"
#include "support/MainWindowFixture.h"
#include "support/PyFtpServer.h"
#include "support/ScriptedFtpServer.h"
#include "support/TransferWindowFixture.h"

#include <gdk/gdkx.h>
#include <wx/app.h>
#include <wx/stopwatch.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <regex>

namespace {

using Commands = std::vector<std::string>;

// Text whose line end sits exactly on the first chunk boundary: a file
// listed as 1 KB is copied in chunks of 1000 bytes, so byte 999 is the CR
// (on the wire) and byte 1000 its LF.
std::string LfTextWithLineEndAt999()
{
    return std::string(999, 'a') + "\n" + "second line\n" + std::string(300, 'b') + "\nlast";
}

std::string CrLf(const std::string& lfText)
{
    return std::regex_replace(lfText, std::regex("\n"), "\r\n");
}

// The final line "<verb>   <name>   <s> sec   <r> Kbps" for `totalBytes` in a
// copy that took at most `wallMs` (the test's own watch around it): both
// numbers come from the worker's one elapsed time, so the rate must lie in
// the range that the shown seconds (rounded) and the watch allow, however
// fast or slow the machine was.
void ExpectFinalLineWithin(const std::string& line, const std::string& verb, const std::string& name,
                           std::int64_t totalBytes, long wallMs)
{
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, std::regex(verb + "   " + name + "   ([0-9]+) sec   ([0-9]+) Kbps")))
        << line;
    const double seconds = std::stod(match[1]);
    const double rate = std::stod(match[2]);
    EXPECT_LE(seconds - 0.5, wallMs / 1000.0) << line << " took at most " << wallMs << " ms";
    const double fastestMs = std::max(1.0, (seconds - 0.5) * 1000.0);
    const double slowestMs = std::max(1.0, std::min((seconds + 0.5) * 1000.0, static_cast<double>(wallMs)));
    const double bits = static_cast<double>(totalBytes) * 8.0;
    EXPECT_GE(rate, bits / slowestMs - 0.5) << line << " for " << totalBytes << " bytes in at most " << wallMs << " ms";
    EXPECT_LE(rate, bits / fastestMs + 0.5) << line << " for " << totalBytes << " bytes";
}

class ExpectExtDialog : public wxExpectModalBase<CAsciiExtDlg, ExpectExtDialog> {
public:
    // Records the list the dialog was given, hands back `newList` and ends
    // the dialog with `answer`.
    ExpectExtDialog(std::string* seen, std::string newList, int answer)
        : seen(seen), newList(std::move(newList)), answer(answer) {}

protected:
    int OnInvoked(CAsciiExtDlg* dialog) const override
    {
        *seen = dialog->extList;
        dialog->extList = newList;
        return answer;
    }

private:
    std::string* seen;
    std::string newList;
    int answer;
};

// Logged in through the window's own Login to a real pyftpdlib.
class PyTransfer : public TransferWindow {
protected:
    void LogIn()
    {
        Store("nDomains", 1);
        Store("domainStr_0", "\"127.0.0.1\" \"anna\" \"secret\" \"/\" \"" + std::to_string(server.Port()) +
                                 "\" \"\" \"/\" \"/\"");
        Store("nLastUsedDomain", 1);
        Store("nAsciiBinaryAuto", 1);
        Open();
        window->OnLogin();
        ASSERT_TRUE(window->session) << "login failed";
    }

    PyFtpServer server;
};

TEST_F(PyTransfer, BinaryRoundTripsAreByteExactForEverySize)
{
    const std::vector<std::size_t> sizes = {0, 1, 999, 1000, 1500, 1000001, 31457283};
    for (std::size_t size : sizes)
        server.WriteFile("d" + std::to_string(size) + ".bin", RandomBytes(size, static_cast<unsigned>(size)));
    LogIn();
    for (std::size_t size : sizes) {
        SCOPED_TRACE("size " + std::to_string(size));
        const std::string down = "d" + std::to_string(size) + ".bin";
        wxStopWatch downWatch;
        StartDownload(down, Local(down));
        // The listed size in whole KB, and never under 1 KB: the bar, the
        // estimate and the rate of a tiny file count 1000 bytes.
        const std::int64_t expected = std::max<std::int64_t>(static_cast<std::int64_t>(size) / 1000, 1) * 1000;
        EXPECT_EQ(expected, window->transferJob.totalBytes);
        WaitUntilIdle();
        const long downMs = downWatch.Time();
        EXPECT_TRUE(ReadLocal(Local(down)) == server.ReadFile(down)) << "download differs";
        ExpectFinalLineWithin(BarText(), "Download", down, expected, downMs);

        const std::string up = "u" + std::to_string(size) + ".bin";
        WriteLocal(Local(up), RandomBytes(size, static_cast<unsigned>(size) + 7));
        wxStopWatch upWatch;
        Upload(Local(up));
        const long upMs = upWatch.Time();
        EXPECT_TRUE(server.ReadFile(up) == ReadLocal(Local(up))) << "upload differs";
        ExpectFinalLineWithin(BarText(), "Upload", up, static_cast<std::int64_t>(size), upMs);
        // The upload reloads the listing and selects the new file.
        ASSERT_GE(window->fileList->FirstSelected(), 0);
        EXPECT_EQ(up, window->fileList->Row(window->fileList->FirstSelected()).name);
    }
}

// pyftpdlib turns its LF file into CRLF on the wire in ASCII mode, so the
// local file only has LF again when the download converted it back.
TEST_F(PyTransfer, AsciiDownloadTurnsTheWiresCrLfBackIntoLf)
{
    server.WriteFile("notes.txt", LfTextWithLineEndAt999());
    LogIn();
    ChooseMode(IDC_ASCII);
    Download("notes.txt", Local("notes.txt"));
    EXPECT_EQ(LfTextWithLineEndAt999(), ReadLocal(Local("notes.txt")));
}

// pyftpdlib stores the wire's CRLF as LF; a CR doubled by the upload would
// survive as CR LF in the stored file.
TEST_F(PyTransfer, AsciiUploadOfCrLfLinesIsNotDoubled)
{
    LogIn();
    ChooseMode(IDC_ASCII);
    WriteLocal(Local("dos.txt"), std::string(999, 'a') + "\r\n" + "lf only\nend\r\n");
    Upload(Local("dos.txt"));
    EXPECT_EQ(std::string(999, 'a') + "\nlf only\nend\n", server.ReadFile("dos.txt"));
}

TEST_F(PyTransfer, AnUploadOverAListedNameAsksFirstAndNoKeepsTheServerFile)
{
    server.WriteFile("notes.txt", "on the server");
    server.MakeDirectory("docs");
    LogIn();
    WriteLocal(Local("notes.TXT"), "from here");
    wxTEST_DIALOG(window->OnUpload(), ExpectFileDialog(Local("notes.TXT")),
                  ExpectMessageBox("\"notes.TXT\"\nAlready exists on the server.\nUpload anyway ?", "Upload",
                                   wxICON_QUESTION, wxID_NO));
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(server.Exists("notes.TXT"));
    EXPECT_EQ("on the server", server.ReadFile("notes.txt"));
    // The row of that name stays selected.
    EXPECT_EQ("notes.txt", window->fileList->Row(window->fileList->FirstSelected()).name);

    // A folder of the chosen name asks too.
    WriteLocal(Local("docs"), "a file named like the folder");
    wxTEST_DIALOG(window->OnUpload(), ExpectFileDialog(Local("docs")),
                  ExpectMessageBox("\"docs\"\nAlready exists on the server.\nUpload anyway ?", "Upload",
                                   wxICON_QUESTION, wxID_NO));
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(std::filesystem::is_directory(server.PathOf("docs")));
}

TEST_F(PyTransfer, YesUploadsUnderTheLocalNamesOwnLetterCase)
{
    server.WriteFile("notes.txt", "on the server");
    LogIn();
    WriteLocal(Local("notes.TXT"), "from here");
    wxTEST_DIALOG(window->OnUpload(), ExpectFileDialog(Local("notes.TXT")),
                  ExpectMessageBox("\"notes.TXT\"\nAlready exists on the server.\nUpload anyway ?", "Upload",
                                   wxICON_QUESTION, wxID_YES));
    WaitUntilIdle();
    EXPECT_EQ("from here", server.ReadFile("notes.TXT"));
    EXPECT_EQ("on the server", server.ReadFile("notes.txt"));
}

// The bar may skip lines (it shows the newest one when it gets to it), but
// every chunk is reported with the bytes so far, and the last with 0.
TEST_F(PyTransfer, EveryChunkIsReportedAndTheLastReportEmptiesTheBar)
{
    server.WriteFile("small.bin", RandomBytes(1500, 3));
    LogIn();
    std::vector<long> reported;
    window->Bind(WM_TRANSFER_PROGRESS, [&](wxThreadEvent& event) {
        event.Skip();
        reported.push_back(event.GetExtraLong());
    });
    wxStopWatch watch;
    StartDownload("small.bin", Local("small.bin"));
    EXPECT_EQ("downlaoding small.bin", BarText());
    WaitUntilIdle();
    const long wallMs = watch.Time();
    // Listed as 1 KB: chunks of 1000 and 500 bytes.
    EXPECT_EQ((std::vector<long>{1000, 1500, 0}), reported);
    EXPECT_EQ(0, window->progressBar->GetPos());
    ExpectFinalLineWithin(BarText(), "Download", "small.bin", 1000, wallMs);
    EXPECT_EQ("small.bin", window->fileList->Row(window->fileList->FirstSelected()).name);
}

TEST_F(PyTransfer, AbortInTheMiddleOfAnUploadLeavesThePartOnTheServer)
{
    constexpr std::size_t size = 64 * 1000 * 1000;
    LogIn();
    WriteLocal(Local("big.bin"), RandomBytes(size, 21));
    window->Bind(WM_TRANSFER_PROGRESS, [&](wxThreadEvent& event) {
        event.Skip();
        if (event.GetExtraLong() > 0)
            window->OnAbort();
    });
    Upload(Local("big.bin"));
    EXPECT_EQ("Upload   big.bin   Aborted", BarText());
    const std::string stored = server.ReadFile("big.bin");
    EXPECT_LT(stored.size(), size);
    EXPECT_TRUE(stored == ReadLocal(Local("big.bin")).substr(0, stored.size())) << "the part is not a prefix";
    // The reloaded listing shows the partial file, selected.
    const int row = window->fileList->FirstSelected();
    ASSERT_GE(row, 0);
    EXPECT_EQ("big.bin", window->fileList->Row(row).name);
    EXPECT_EQ(stored.size(), window->fileList->Row(row).size);
}

TEST_F(ScriptedTransfer, AsciiDownloadTurnsCrLfIntoLfAlsoAcrossTheChunkBoundary)
{
    Attach({ListEntry{LIST_KIND_FILE, "raw.txt", 1500, 0}});
    const std::string wire = CrLf(LfTextWithLineEndAt999()) + "\rlone CR stays";
    server->Then("200 Type set to A.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::SendData(wire));
    ChooseMode(IDC_ASCII);
    Download("raw.txt", Local("raw.txt"));
    EXPECT_EQ(LfTextWithLineEndAt999() + "\rlone CR stays", ReadLocal(Local("raw.txt")));
    EXPECT_EQ((Commands{"TYPE A", "EPRT", "RETR raw.txt"}), AfterLogin());
}

TEST_F(ScriptedTransfer, AsciiUploadSendsCrLfAndLeavesExistingCrLfAlone)
{
    Attach({});
    server->Then("200 Type set to A.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::ReceiveData());
    server->Then("257 \"/\" is current.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::SendData(""));
    // Byte 999 is a CR and byte 1000 its LF: the two land in different chunks.
    WriteLocal(Local("mixed.txt"), std::string(999, 'a') + "\r\nunix\nend\n");
    ChooseMode(IDC_ASCII);
    Upload(Local("mixed.txt"));
    EXPECT_EQ(std::string(999, 'a') + "\r\nunix\r\nend\r\n", server->ReceivedData());
    const Commands sent = AfterLogin();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ((Commands{"TYPE A", "EPRT", "STOR mixed.txt", "PWD"}), Commands(sent.begin(), sent.begin() + 4));
}

// Auto mode decides by the name the file is saved under, not the remote one.
TEST_F(ScriptedTransfer, AutoModeDecidesByTheLocalName)
{
    struct Case {
        const char* localName;
        const char* type;
        std::string expected;
    };
    const std::string wire = "<p>\r\n</p>\r\n";
    const Case cases[] = {
        {"page.bak", "TYPE I", wire},
        {"page.htm", "TYPE A", "<p>\n</p>\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.localName);
        server = std::make_unique<ScriptedFtpServer>();
        window.reset();
        Attach({ListEntry{LIST_KIND_FILE, "page.html", wire.size(), 0}});
        server->Then(std::string("200 ") + c.type + " ok.");
        server->Then("200 EPRT command successful.");
        server->Then(ScriptedFtpServer::SendData(wire));
        ChooseMode(IDC_AUTO);
        Download("page.html", Local(c.localName));
        EXPECT_EQ(c.expected, ReadLocal(Local(c.localName)));
        EXPECT_EQ((Commands{c.type, "EPRT", "RETR page.html"}), AfterLogin());
    }
}

// Listed as 1 KB but 20 MB long, so copied in 1000-byte chunks: while the
// window takes no report, no more than 16 wait, and the final one comes.
TEST_F(ScriptedTransfer, AFileFarLargerThanItsListingQueuesFewReports)
{
    Attach({ListEntry{LIST_KIND_FILE, "grown.bin", 1000, 0}});
    const std::string data = RandomBytes(20 * 1000 * 1000, 5);
    server->Then("200 Type set to I.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::SendData(data));
    ChooseMode(IDC_BINARY);
    long lastReport = -1;
    window->Bind(WM_TRANSFER_PROGRESS, [&](wxThreadEvent& event) {
        event.Skip();
        lastReport = event.GetExtraLong();
    });
    StartDownload("grown.bin", Local("grown.bin"));
    // Not pumped: the window takes nothing until the copy is over.
    const std::atomic<int>& waiting = *window->transferJob.progressInFlight;
    const auto copied = [&] {
        std::error_code missing;
        const auto size = std::filesystem::file_size(Local("grown.bin"), missing);
        return missing ? 0 : size;
    };
    wxStopWatch watch;
    while (copied() < data.size() && watch.Time() < 30000)
        wxMilliSleep(20);
    wxMilliSleep(300);
    EXPECT_LE(waiting, 17) << "reports queued beyond the bound";
    WaitUntilIdle();
    EXPECT_EQ(0, lastReport);
    EXPECT_EQ(0, waiting);
    EXPECT_TRUE(ReadLocal(Local("grown.bin")) == data);
}

TEST_F(ScriptedTransfer, AbortOnAStalledDownloadKeepsThePartAndEndsAtOnce)
{
    // Listed as 100 KB: chunks of 5000 bytes, so the first bytes are one chunk.
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", 100000, 0}});
    const std::string first = RandomBytes(5000, 11);
    server->Then("200 Type set to I.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::StallData(first));
    server->Then(AbortReplies());
    ChooseMode(IDC_BINARY);
    StartDownload("big.bin", Local("big.bin"));
    WaitForFirstProgress();
    EXPECT_TRUE(std::regex_match(BarText(), std::regex("Downlaod   big.bin   remaining [0-9]+ (sec|\\.[0-9] min)")))
        << BarText();
    wxStopWatch watch;
    window->OnAbort();
    WaitUntilIdle(5);
    EXPECT_LT(watch.Time(), 2000);
    EXPECT_EQ("Download  big.bin  Aborted", BarText());
    EXPECT_EQ(first, ReadLocal(Local("big.bin")));
    EXPECT_EQ(0, window->transferInProgress.load());
}

TEST_F(ScriptedTransfer, AServerThatDropsTheConnectionMidDownloadGivesAnErrorBox)
{
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", 100000, 0}});
    const std::string first = RandomBytes(5000, 12);
    server->Then("200 Type set to I.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::StallData(first));
    ChooseMode(IDC_BINARY);
    StartDownload("big.bin", Local("big.bin"));
    WaitForFirstProgress();
    wxTEST_DIALOG(server.reset(); EXPECT_TRUE(PumpUntilIdle(10)),
                  ExpectMessageBox("The connection with the server was terminated", "Download - Server", wxICON_ERROR));
    EXPECT_EQ("Download   big.bin   Failed", BarText());
    EXPECT_EQ(first, ReadLocal(Local("big.bin")));
}

TEST_F(ScriptedTransfer, AStorThatTheServerRefusesAtTheEndShowsItsReply)
{
    Attach({});
    server->Then("200 Type set to I.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::ReceiveData("552 Disk quota exceeded."));
    server->Then("257 \"/\" is current.");
    server->Then("200 Type set to A.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::SendData(""));
    WriteLocal(Local("up.bin"), RandomBytes(4000, 5));
    ChooseMode(IDC_BINARY);
    StartUpload(Local("up.bin"));
    wxTEST_DIALOG(EXPECT_TRUE(PumpUntilIdle(10)), ExpectMessageBox("552 Disk quota exceeded.", "Upload - Server", wxICON_ERROR));
    EXPECT_EQ("Upload   up.bin   Failed", BarText());
}

// A local file that opens but whose read fails in the middle of the copy
// (the kernel refuses to read this process's memory at address 0) is the
// local end's failure, not the server's.
TEST_F(ScriptedTransfer, AnUploadWhoseLocalReadFailsSaysUploadLocalFile)
{
    Attach({});
    server->Then("200 Type set to I.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::ReceiveData("226 Transfer complete."));
    server->Then("257 \"/\" is current.");
    server->Then("200 Type set to A.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::SendData(""));
    ChooseMode(IDC_BINARY);
    StartUpload("/proc/self/mem");
    wxTEST_DIALOG(EXPECT_TRUE(PumpUntilIdle(10)),
                  ExpectMessageBox("Input/output error", "Upload - Local File", wxICON_ERROR));
    EXPECT_EQ("Upload   mem   Failed", BarText());
}

// The window opens the local file before STOR: one it may not read, or one
// that is no file, stops the upload with its cause before the server hears
// of it, so a listed remote file the user agreed to replace keeps its bytes.
TEST_F(ScriptedTransfer, ALocalFileThatCannotBeReadStopsTheUploadBeforeStor)
{
    Attach({ListEntry{LIST_KIND_FILE, "secret.bin", 4000, 0}});
    WriteLocal(Local("secret.bin"), RandomBytes(4000, 6));
    ASSERT_EQ(0, chmod(localDir.c_str(), 0755));
    ASSERT_EQ(0, chmod(Local("secret.bin").c_str(), 0));
    // Root reads any file; as another user for the file system this one is unreadable.
    const uid_t previous = setfsuid(65534);
    wxTEST_DIALOG(window->OnUpload(), ExpectFileDialog(Local("secret.bin")),
                  ExpectMessageBox("\"secret.bin\"\nAlready exists on the server.\nUpload anyway ?", "Upload",
                                   wxICON_QUESTION, wxID_YES),
                  ExpectMessageBox("Permission denied", "Upload - Local File", wxICON_ERROR));
    setfsuid(previous);
    EXPECT_TRUE(Idle());

    // A FIFO would block an open that waits for a writer; the box names the
    // real cause, not a stale errno.
    ASSERT_EQ(0, mkfifo(Local("pipe").c_str(), 0644));
    wxTEST_DIALOG(window->OnUpload(), ExpectFileDialog(Local("pipe")),
                  ExpectMessageBox("Not a regular file: only the contents of a file can be uploaded",
                                   "Upload - Local File", wxICON_ERROR));
    EXPECT_TRUE(Idle());
    EXPECT_EQ(Commands{}, AfterLogin());
    EXPECT_EQ(" ", BarText());
}

TEST_F(ScriptedTransfer, LogoutRightAfterAbortWaitsForTheWorker)
{
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", 100000, 0}});
    StartStalledDownload(13);
    window->OnAbort();
    window->OnLogout();
    EXPECT_FALSE(window->session);
    EXPECT_FALSE(window->ftpConnection);
    EXPECT_TRUE(Idle());
    EXPECT_EQ("Download  big.bin  Aborted", BarText());
}

TEST_F(ScriptedTransfer, CloseRightAfterAbortWaitsForTheWorker)
{
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", 100000, 0}});
    StartStalledDownload(14);
    window->OnAbort();
    CloseAndReread();
    EXPECT_FALSE(window->IsShown());
    EXPECT_FALSE(window->session);
    EXPECT_TRUE(Idle());
}

// From Abort to the worker's done event the worker still uses the job and
// the connection: every command is refused (the plain beep, no box, nothing
// sent), so the listing, the start directory and the aborted job's end stay
// as they were, and no second worker starts beside the first.
TEST_F(ScriptedTransfer, BetweenAbortAndTheWorkersEndEveryCommandIsRefused)
{
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", 100000, 0}, ListEntry{LIST_KIND_FILE, "other.bin", 3000, 0}});
    window->workingDir = "/pub";
    window->UpdateData(false);
    StartStalledDownload(15);
    window->OnAbort();
    {
        FailOnAnyDialog strict;
        SelectName("other.bin");
        window->OnDownload();
        window->OnUpload();
        window->OnRefresh();
        window->OnDelete();
        window->OnRename();
        window->OnMkdir();
        window->OnChdir();
        window->OnCdUp();
        window->OnCdRoot();
        window->OnOpenIn(ID_OPENIN_TEXT);
    }
    WaitUntilIdle(10);
    EXPECT_EQ((Commands{"TYPE I", "EPRT", "RETR big.bin", "ABOR"}), AfterLogin());
    EXPECT_EQ("Download  big.bin  Aborted", BarText());
    EXPECT_EQ(2, window->fileList->GetItemCount());
    EXPECT_EQ("/pub", window->workingDir);
    EXPECT_FALSE(std::filesystem::exists(Local("other.bin")));
    // The aborted job's own end: its row selected again.
    EXPECT_EQ("big.bin", window->fileList->Row(window->fileList->FirstSelected()).name);
    EXPECT_EQ(0, window->transferInProgress.load());
}

// A Logout or Close clicked while Logout waits for the aborted worker is
// refused: a wait inside the wait would never see the worker's end and hold
// the window for its whole bound. The first Logout then ends as usual.
TEST_F(ScriptedTransfer, LogoutOrCloseClickedDuringTheWaitAfterAbortDoesNotNestIt)
{
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", 100000, 0}});
    StartStalledDownload(16);
    window->OnAbort();
    // Queued now, handled inside the wait.
    window->GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_BUTTON, IDC_LOGOUT));
    window->GetEventHandler()->QueueEvent(new wxCloseEvent(wxEVT_CLOSE_WINDOW, window->GetId()));
    window->GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_MENU, ID_EXIT));
    wxStopWatch watch;
    {
        FailOnAnyDialog strict;
        window->OnLogout();
    }
    EXPECT_LT(watch.Time(), 30000) << "a nested wait held the window";
    EXPECT_FALSE(window->session);
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(window->IsShown());
    EXPECT_EQ("Download  big.bin  Aborted", BarText());
}

// The error text of a failure in the middle of a copy is written under the
// job's lock, as the progress lines before it are: while the window holds
// the lock, the worker cannot get its error out.
TEST_F(ScriptedTransfer, AnErrorInTheMiddleOfACopyWaitsForTheJobsLock)
{
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", 100000, 0}});
    server->Then("200 Type set to I.");
    server->Then("200 EPRT command successful.");
    server->Then(ScriptedFtpServer::StallData(RandomBytes(5000, 17)));
    ChooseMode(IDC_BINARY);
    long copied = 0;
    window->Bind(WM_TRANSFER_PROGRESS, [&](wxThreadEvent& event) {
        event.Skip();
        copied = event.GetExtraLong();
    });
    StartDownload("big.bin", Local("big.bin"));
    // All the stalled data is in: the worker waits in its next read.
    ASSERT_TRUE(PumpUntil([&] { return copied == 5000; }, 10));
    PumpEvents();
    ASSERT_FALSE(wxTheApp->HasPendingEvents());
    bool queuedUnderTheLock = false;
    {
        std::lock_guard<std::mutex> guard(window->transferJob.lock);
        server.reset();
        // Not pumped: the window's progress handler would want the lock too.
        wxStopWatch watch;
        while (!queuedUnderTheLock && watch.Time() < 3000) {
            wxMilliSleep(10);
            queuedUnderTheLock = wxTheApp->HasPendingEvents();
        }
    }
    EXPECT_FALSE(queuedUnderTheLock) << "the error was written while the window held the lock";
    wxTEST_DIALOG(EXPECT_TRUE(PumpUntilIdle(10)),
                  ExpectMessageBox("The connection with the server was terminated", "Download - Server", wxICON_ERROR));
    EXPECT_EQ("Download   big.bin   Failed", BarText());
}

class TransferModeButtons : public TransferWindow {};

TEST_F(TransferModeButtons, OnlyAutoOpensTheListAndOnlyOkChangesIt)
{
    Open();
    const std::string original = window->asciiExtList;
    std::string seen = "<not opened>";
    for (int radio : {IDC_ASCII, IDC_BINARY}) {
        ChooseMode(radio);
        wxTEST_DIALOG(window->OnTransferMode(), ExpectExtDialog(&seen, "x ", wxID_OK).Optional());
        EXPECT_EQ("<not opened>", seen);
    }
    ChooseMode(IDC_AUTO);
    wxTEST_DIALOG(window->OnTransferMode(), ExpectExtDialog(&seen, "x ", wxID_CANCEL));
    EXPECT_EQ(original, seen);
    EXPECT_EQ(original, window->asciiExtList);
    // Auto already chosen: a second click opens it again.
    wxTEST_DIALOG(window->OnTransferMode(), ExpectExtDialog(&seen, "txt log ", wxID_OK));
    EXPECT_EQ(original, seen);
    EXPECT_EQ("txt log ", window->asciiExtList);
}

// openbox on the test's display, so that the window can really be minimised.
class WindowManager {
public:
    WindowManager()
    {
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        char name[] = "openbox";
        char* argv[] = {name, nullptr};
        if (posix_spawnp(&process, "openbox", &quiet, nullptr, argv, environ) != 0)
            process = -1;
        posix_spawn_file_actions_destroy(&quiet);
    }
    ~WindowManager()
    {
        if (process <= 0)
            return;
        kill(process, SIGTERM);
        waitpid(process, nullptr, 0);
    }

    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

private:
    pid_t process = -1;
};

class MinimisedWindow : public ScriptedTransfer {
protected:
    void Minimise()
    {
        // A manager that is still starting takes over the window and may
        // restore it: minimise only once it runs.
        ASSERT_TRUE(PumpUntil([] { return std::string(gdk_x11_screen_get_window_manager_name(
                                              gdk_screen_get_default())) != "unknown"; },
                              10))
            << "openbox did not start";
        // A request made while the manager is still placing the window is
        // dropped: ask again now and then.
        wxStopWatch sinceAsked;
        window->Iconize(true);
        ASSERT_TRUE(PumpUntil(
            [&] {
                if (!window->IsIconized() && sinceAsked.Time() > 200) {
                    window->Iconize(true);
                    sinceAsked.Start();
                }
                return window->IsIconized();
            },
            10))
            << "the window was not minimised";
    }

    WindowManager manager;
};

// Driven with a filled job: a real transfer on loopback ends before a
// window manager has minimised the window.
TEST_F(MinimisedWindow, TheTitleShowsTheShareWhileMinimisedAndTheEndRestores)
{
    Open();
    TypeInto(IDC_DOMAIN, "ftp.example");
    window->UpdateData(true);
    window->transferJob.direction = TransferDirection::Download;
    window->transferJob.totalBytes = 12000;
    window->transferJob.remoteName = "a.bin";
    window->progressBar->SetRange(0, 12000);
    Minimise();
    window->OnTransferProgress(1000);
    EXPECT_EQ("Dn 8% ftp.example - Vantrel", ToUtf8(window->GetTitle()));
    window->OnTransferDone();
    EXPECT_EQ(" ftp.example - Vantrel", ToUtf8(window->GetTitle()));
    EXPECT_TRUE(PumpUntil([&] { return !window->IsIconized(); }, 5)) << "the window was not restored";
}

// The share is rounded as printed (1000 of 12000 is 8.3 %), and the final
// report (0 bytes) leaves the title alone.
TEST_F(MinimisedWindow, TheShareIsRoundedAndTheFinalReportKeepsIt)
{
    Open();
    TypeInto(IDC_DOMAIN, "ftp.example");
    window->UpdateData(true);
    window->transferJob.direction = TransferDirection::Upload;
    window->transferJob.totalBytes = 12000;
    window->progressBar->SetRange(0, 12000);
    Minimise();
    const std::pair<long, const char*> reports[] = {
        {1000, "Up 8% ftp.example - Vantrel"},
        {11940, "Up 100% ftp.example - Vantrel"},
        {0, "Up 100% ftp.example - Vantrel"},
    };
    for (const auto& [bytes, title] : reports) {
        window->transferJob.statusText = "line " + std::to_string(bytes);
        window->OnTransferProgress(bytes);
        EXPECT_EQ(title, ToUtf8(window->GetTitle()));
        EXPECT_EQ("line " + std::to_string(bytes), BarText());
    }
}

} // namespace
