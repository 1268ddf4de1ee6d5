// Resumed transfers and the check after a binary transfer, through the real
// main window: the question and its answers, the commands on the wire (the
// scripted server, each success beside its failure), and the bytes on both
// ends against pyftpdlib, vsftpd and proftpd with its hash commands.
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "platform/FtpConnection.h"
#include "transfer/CPercentProgressCtrl.h"
#include "support/GuiTestHelpers.h"
#include "support/LocalFiles.h"
#include "support/ProftpdServer.h"
#include "support/PyFtpServer.h"
#include "support/ScriptedFtpServer.h"
#include "support/TransferWindowFixture.h"
#include "support/VsftpdServer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>

namespace {

using Server = ScriptedFtpServer;
constexpr const char* kSizeFeatures = "211-Features:\n SIZE\n REST STREAM\n211 End";
const std::string kWhole = RandomBytes(10000, 5);

std::string ResumeQuestion(const std::string& name, int part, int whole)
{
    return "\"" + name + "\"\nAlready exists here with " + std::to_string(part) + " of " + std::to_string(whole) +
           " bytes.\nResume the download ?";
}

std::string ListedQuestion(const std::string& name)
{
    return "\"" + name + "\"\nAlready exists on the server.\nUpload anyway ?";
}

// The three-way question: its text, its buttons' captions (as GTK holds
// them, the access key marked by '_') and Cancel as the default, answered with `answer` (wxID_YES is the first button, Resume).
class ExpectResumeBox : public wxExpectModalBase<wxMessageDialog, ExpectResumeBox> {
public:
    ExpectResumeBox(std::string text, std::string caption, std::string replaceLabel, std::string cancelLabel,
                    int answer)
        : text(std::move(text)), caption(std::move(caption)), replaceLabel(std::move(replaceLabel)),
          cancelLabel(std::move(cancelLabel)), answer(answer)
    {
    }

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        EXPECT_EQ(text, ToUtf8(dialog->GetMessage()));
        EXPECT_EQ(caption, ToUtf8(dialog->GetCaption()));
        EXPECT_EQ("_Resume", ToUtf8(dialog->GetYesLabel()));
        EXPECT_EQ(replaceLabel, ToUtf8(dialog->GetNoLabel()));
        EXPECT_EQ(cancelLabel, ToUtf8(dialog->GetCancelLabel()));
        EXPECT_TRUE(dialog->GetMessageDialogStyle() & wxCANCEL_DEFAULT);
        EXPECT_TRUE(dialog->GetMessageDialogStyle() & wxICON_QUESTION);
        return answer;
    }

private:
    std::string text, caption, replaceLabel, cancelLabel;
    int answer;
};

ExpectResumeBox DownloadResumeBox(const std::string& name, int part, int whole, int answer)
{
    return ExpectResumeBox(ResumeQuestion(name, part, whole), "Download", "Re_place", "_Cancel", answer);
}

ExpectResumeBox UploadResumeBox(const std::string& name, int answer)
{
    return ExpectResumeBox(ListedQuestion(name), "Upload", "_Yes", "_No", answer);
}

class ScriptedResume : public ScriptedTransfer {
protected:
    // Logged in with big.bin listed at `listedSize` bytes, binary mode.
    void Begin(std::uint64_t listedSize = 10000)
    {
        Attach({ListEntry{LIST_KIND_FILE, "big.bin", listedSize, 0}}, kSizeFeatures);
        ChooseMode(IDC_BINARY);
        SelectName("big.bin");
    }

    // The listing the window reloads after an upload.
    void ThenListing()
    {
        server->Then("257 \"/\" is current.");
        server->Then("200 Type set to A.");
        server->Then("200 EPRT command successful.");
        server->Then(Server::SendData(""));
    }

    // A download onto a part of 16 bytes whose REST the server refuses;
    // the question that says so is answered `answer`.
    void RefusedRest(int answer)
    {
        Begin();
        WriteLocal(Local("big.bin"), "not a part of it");
        server->Then("200 Type set to I.");
        server->Then("200 EPRT command successful.");
        server->Then("502 REST not implemented.");
        if (answer == wxID_YES) {
            server->Then("200 EPRT command successful.");
            server->Then(Server::SendData(kWhole));
            server->Then("213 10000");
        }
        wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("big.bin")),
                      DownloadResumeBox("big.bin", 16, 10000, wxID_YES),
                      ExpectMessageBox("\"big.bin\"\nThe server cannot resume it: 502 REST not implemented.\n"
                                       "Replace it ?",
                                       "Download - Server", wxICON_QUESTION, answer));
    }
};

TEST_F(ScriptedResume, ResumeAsksRestAppendsTheRestAndStartsTheBarAtThePart)
{
    Begin();
    WriteLocal(Local("big.bin"), kWhole.substr(0, 4000));
    server->Then("200 Type set to I.");
    server->Then("200 EPRT command successful.");
    server->Then("350 Restarting at 4000.");
    server->Then(Server::SendData(kWhole.substr(4000)));
    server->Then("213 10000");
    wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("big.bin")),
                  DownloadResumeBox("big.bin", 4000, 10000, wxID_YES));
    EXPECT_EQ(4000, window->progressBar->GetPos());
    WaitUntilIdle();
    EXPECT_TRUE(kWhole == ReadLocal(Local("big.bin")));
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE I", "EPRT", "REST 4000", "RETR big.bin", "SIZE big.bin"}));
    EXPECT_TRUE(std::regex_match(BarText(), std::regex("Download   big.bin   [0-9]+ sec   [0-9]+ Kbps"))) << BarText();
}

// A refused REST is said in the server's words; Yes replaces the part (only
// once the first byte arrives), No leaves it as it was.
TEST_F(ScriptedResume, RestRefusedAndYesReplacesThePart)
{
    RefusedRest(wxID_YES);
    WaitUntilIdle();
    EXPECT_TRUE(kWhole == ReadLocal(Local("big.bin")));
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE I", "EPRT", "REST 16", "EPRT", "RETR big.bin", "SIZE big.bin"}));
}

TEST_F(ScriptedResume, RestRefusedAndNoLeavesThePartAsItWas)
{
    RefusedRest(wxID_NO);
    EXPECT_TRUE(Idle());
    EXPECT_EQ("not a part of it", ReadLocal(Local("big.bin")));
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE I", "EPRT", "REST 16"}));
}

// Resume counts bytes: ASCII changes them, and a local file as long as the
// remote one or longer is no part of it. Only Replace is asked, and No sends nothing.
TEST_F(ScriptedResume, NoResumeForAsciiOrALocalFileNotShorter)
{
    Begin();
    struct Case {
        const char* what;
        int mode;
        std::size_t localSize;
    };
    for (const Case& c : {Case{"ASCII", IDC_ASCII, 4000}, Case{"as long", IDC_BINARY, 10000},
                          Case{"longer", IDC_BINARY, 12000}}) {
        SCOPED_TRACE(c.what);
        const std::string local = RandomBytes(c.localSize, 9);
        WriteLocal(Local("big.bin"), local);
        ChooseMode(c.mode);
        SelectName("big.bin");
        wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("big.bin")),
                      ExpectMessageBox("\"big.bin\"\nAlready exists here.\nReplace it ?", "Download", wxICON_QUESTION,
                                       wxID_NO));
        EXPECT_TRUE(Idle());
        EXPECT_TRUE(local == ReadLocal(Local("big.bin")));
    }
    EXPECT_TRUE(AfterLogin().empty());
}

// The server's size after a binary transfer: a difference is a failure of
// its own, never a success; the same size passes (the tests above).
TEST_F(ScriptedResume, ASizeThatDiffersEndsInTheChecksBox)
{
    Begin();
    server->Then("200 Type set to I.");
    server->Then("200 EPRT command successful.");
    server->Then(Server::SendData(kWhole));
    server->Then("213 10001");
    wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("big.bin")));
    wxTEST_DIALOG(EXPECT_TRUE(PumpUntilIdle(10)),
                  ExpectMessageBox("\"big.bin\"\nThe server has 10001 bytes, this computer 10000.\n"
                                   "The transfer is not whole.",
                                   "Download - Check", wxICON_ERROR));
    EXPECT_EQ("Download   big.bin   Failed", BarText());
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE I", "EPRT", "RETR big.bin", "SIZE big.bin"}));
}

// An upload resumes by REST and STOR (APPE where REST is refused: the
// engine's tests and pyftpdlib's below), and its bar starts at the part.
TEST_F(ScriptedResume, UploadResumesByRestAndStor)
{
    Begin(4000);
    WriteLocal(Local("big.bin"), kWhole);
    server->Then("200 Type set to I.");
    server->Then("200 EPRT command successful.");
    server->Then("350 Restarting at 4000.");
    server->Then(Server::ReceiveData());
    server->Then("213 10000");
    ThenListing();
    wxTEST_DIALOG(window->OnUpload(), ExpectFileDialog(Local("big.bin")), UploadResumeBox("big.bin", wxID_YES));
    EXPECT_EQ(4000, window->progressBar->GetPos());
    WaitUntilIdle();
    EXPECT_TRUE(server->ReceivedData() == kWhole.substr(4000));
    EXPECT_EQ(AfterLogin(),
              (Commands{"TYPE I", "EPRT", "REST 4000", "STOR big.bin", "SIZE big.bin", "PWD", "TYPE A", "EPRT", "LIST"}));
}

// The real servers: a part of the file on one end, Resume, and the whole
// file byte for byte on both ends.
struct RealServer {
    virtual ~RealServer() = default;
    virtual std::uint16_t Port() const = 0;
    virtual std::string User() const = 0;
    virtual std::string Password() const = 0;
    virtual std::string Folder() const = 0;  // where the files are, as the server names it
    virtual void Write(const std::string& name, const std::string& contents) const = 0;
    virtual std::string Read(const std::string& name) const = 0;
};

// A server with a user of its own and the files in its login folder
// (pyftpdlib, proftpd).
template <class Hosted>
struct UserServer : RealServer {
    template <class... Arguments>
    explicit UserServer(Arguments... arguments) : server(arguments...) {}
    std::uint16_t Port() const override { return server.Port(); }
    std::string User() const override { return Hosted::User; }
    std::string Password() const override { return Hosted::Password; }
    std::string Folder() const override { return "/"; }
    void Write(const std::string& name, const std::string& contents) const override { server.WriteFile(name, contents); }
    std::string Read(const std::string& name) const override { return server.ReadFile(name); }
    Hosted server;
};

using PyServer = UserServer<PyFtpServer>;
using Proftpd = UserServer<ProftpdServer>;

// Uploads land in vsftpd's upload folder, owned by its anonymous account,
// which must own a part it is to write on.
struct Vsftpd : RealServer {
    std::uint16_t Port() const override { return server.Port(); }
    std::string User() const override { return VsftpdServer::User; }
    std::string Password() const override { return ""; }
    std::string Folder() const override
    {
        const std::string& root = server.ServerRoot();
        return (root == "/" ? "" : root) + "/" + VsftpdServer::UploadFolder;
    }
    std::string Path(const std::string& name) const
    {
        return server.PathOf(std::string(VsftpdServer::UploadFolder) + "/" + name);
    }
    void Write(const std::string& name, const std::string& contents) const override
    {
        WriteLocal(Path(name), contents);
        struct stat folder {};
        if (::stat(server.PathOf(VsftpdServer::UploadFolder).c_str(), &folder) != 0 ||
            ::chown(Path(name).c_str(), folder.st_uid, folder.st_gid) != 0)
            throw std::runtime_error("cannot hand " + name + " to the anonymous account");
    }
    std::string Read(const std::string& name) const override { return ReadLocal(Path(name)); }
    explicit Vsftpd(VsftpdSecurity security = VsftpdSecurity::Clear)
        : server(VsftpdUploads::Accepted, VsftpdDataMode::ActiveOnly, security)
    {
    }
    VsftpdServer server;
};

// Every byte encrypted (a certificate signed by a CA made for the test),
// so the engine decrypts into the part and encrypts from its end.
struct VsftpdTls : Vsftpd {
    VsftpdTls() : Vsftpd(VsftpdSecurity::TlsSignedByTestCa) { ::setenv("SSL_CERT_FILE", server.CaFile().c_str(), 1); }
    ~VsftpdTls() override { ::unsetenv("SSL_CERT_FILE"); }
};

class RealResume : public TransferWindow {
protected:
    // False where the server cannot run here, with the reason in
    // `cannotRun`: the test skips itself (a skip inside this function would
    // end only the function, and the test would go on without a server).
    template <class Made>
    [[nodiscard]] bool Start()
    {
        try {
            server = std::make_unique<Made>();
            return true;
        } catch (const std::runtime_error& why) {
            cannotRun = why.what();
            return false;
        }
    }

    void LogIn()
    {
        Store("nDomains", 1);
        Store("domainStr_0", "\"127.0.0.1\" \"" + server->User() + "\" \"" + server->Password() + "\" \"" +
                                 server->Folder() + "\" \"" + std::to_string(server->Port()) + "\" \"\" \"/\" \"/\"");
        Store("nLastUsedDomain", 1);
        Store("nAsciiBinaryAuto", 1);
        Open();
        window->OnLogin();
        ASSERT_TRUE(window->session) << "login failed";
    }

    // A third of a 3 MB file on each end, resumed both ways.
    void ResumeBothWays()
    {
        const std::string whole = RandomBytes(3000000, 23);
        server->Write("down.bin", whole);
        server->Write("up.bin", whole.substr(0, 1000000));
        WriteLocal(Local("down.bin"), whole.substr(0, 1000000));
        WriteLocal(Local("up.bin"), whole);
        LogIn();
        SelectName("down.bin");
        wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("down.bin")),
                      DownloadResumeBox("down.bin", 1000000, 3000000, wxID_YES));
        WaitUntilIdle();
        EXPECT_TRUE(whole == ReadLocal(Local("down.bin"))) << "the resumed download differs";
        wxTEST_DIALOG(window->OnUpload(), ExpectFileDialog(Local("up.bin")), UploadResumeBox("up.bin", wxID_YES));
        WaitUntilIdle();
        EXPECT_TRUE(whole == server->Read("up.bin")) << "the resumed upload differs";
    }

    std::unique_ptr<RealServer> server;
    std::string cannotRun;
};

TEST_F(RealResume, PyftpdlibResumesBothWaysByteForByte)
{
    if (!Start<PyServer>())
        GTEST_SKIP() << cannotRun;
    ResumeBothWays();
}

TEST_F(RealResume, VsftpdResumesBothWaysByteForByte)
{
    if (!Start<Vsftpd>())
        GTEST_SKIP() << cannotRun;
    ResumeBothWays();
}

TEST_F(RealResume, VsftpdOverTlsResumesBothWaysByteForByte)
{
    if (!Start<VsftpdTls>())
        GTEST_SKIP() << cannotRun;
    ResumeBothWays();
    EXPECT_FALSE(window->ftpConnection->Encryption().empty()) << "the session was not encrypted";
}

// Without REST the upload appends (APPE); the download is said so and
// Replace, answered Yes, starts over.
TEST_F(RealResume, PyftpdlibWithoutRestAppendsUploadsAndReplacesDownloads)
{
    PyFtpServer::Options options;
    options.restRefused = true;
    server = std::make_unique<PyServer>(options);
    const std::string whole = RandomBytes(300000, 29);
    server->Write("down.bin", whole);
    server->Write("up.bin", whole.substr(0, 1000));
    WriteLocal(Local("down.bin"), whole.substr(0, 1000));
    WriteLocal(Local("up.bin"), whole);
    LogIn();
    wxTEST_DIALOG(window->OnUpload(), ExpectFileDialog(Local("up.bin")), UploadResumeBox("up.bin", wxID_YES));
    WaitUntilIdle();
    EXPECT_TRUE(whole == server->Read("up.bin")) << "the appended upload differs";
    SelectName("down.bin");
    wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("down.bin")),
                  DownloadResumeBox("down.bin", 1000, 300000, wxID_YES),
                  ExpectMessageBox("\"down.bin\"\nThe server cannot resume it: 500 Command \"REST\" not understood.\n"
                                   "Replace it ?",
                                   "Download - Server", wxICON_QUESTION, wxID_YES));
    WaitUntilIdle();
    EXPECT_TRUE(whole == ReadLocal(Local("down.bin")));
}

// proftpd's hash commands check a resumed file both ways: a part of the
// same file passes, a planted part of another does not, and a download's
// local part is cut back to what it was.
TEST_F(RealResume, ProftpdsHashFindsAPartThatDoesNotBelong)
{
    if (!Start<Proftpd>())
        GTEST_SKIP() << cannotRun;
    const std::string whole = RandomBytes(2000000, 31);
    const std::string planted = RandomBytes(500000, 37);
    server->Write("good.bin", whole);
    server->Write("bad.bin", whole);
    server->Write("up.bin", planted);
    WriteLocal(Local("good.bin"), whole.substr(0, 500000));
    WriteLocal(Local("bad.bin"), planted);
    WriteLocal(Local("up.bin"), whole);
    LogIn();
    SelectName("good.bin");
    wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("good.bin")),
                  DownloadResumeBox("good.bin", 500000, 2000000, wxID_YES));
    WaitUntilIdle();
    EXPECT_TRUE(whole == ReadLocal(Local("good.bin")));

    const std::string notTogether = "The server's SHA-256 of the file differs from this computer's.\n"
                                    "The two parts do not belong together: Replace starts over.";
    SelectName("bad.bin");
    wxTEST_DIALOG(window->OnDownload(), ExpectFileDialog(Local("bad.bin")),
                  DownloadResumeBox("bad.bin", 500000, 2000000, wxID_YES));
    wxTEST_DIALOG(EXPECT_TRUE(PumpUntilIdle(30)),
                  ExpectMessageBox("\"bad.bin\"\n" + notTogether, "Download - Check", wxICON_ERROR));
    EXPECT_EQ("Download   bad.bin   Failed", BarText());
    EXPECT_TRUE(planted == ReadLocal(Local("bad.bin")));

    wxTEST_DIALOG(window->OnUpload(), ExpectFileDialog(Local("up.bin")), UploadResumeBox("up.bin", wxID_YES));
    wxTEST_DIALOG(EXPECT_TRUE(PumpUntilIdle(30)),
                  ExpectMessageBox("\"up.bin\"\n" + notTogether, "Upload - Check", wxICON_ERROR));
    EXPECT_EQ("Upload   up.bin   Failed", BarText());
}

}  // namespace
