// The window logged in to vsftpd demanding TLS: the encryption line, every
// command over it (and over a server in clear that takes passive mode only),
// and the certificate question answered through wx's modal hooks.
#include "app/SettingsStore.h"
#include "app/HostPortFile.h"
#include "fileops/LoggedInWindow.h"
#include "ftp/RemoteWindowFixture.h"
#include "support/GuiTestHelpers.h"
#include "support/TransferWindowFixture.h"
#include "support/VsftpdServer.h"
#include "transfer/CPercentProgressCtrl.h"

#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

// Answers the certificate box and keeps its text.
class AnswerCertificate : public wxExpectModalBase<wxMessageDialog, AnswerCertificate> {
public:
    AnswerCertificate(int answer, std::string& text) : answer(answer), text(text) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        EXPECT_EQ("Certificate", ToUtf8(dialog->GetCaption()));
        text = ToUtf8(dialog->GetMessage());
        return answer;
    }

private:
    int answer;
    std::string& text;
};

class TlsWindow : public TransferFixture<RemoteWindowFixture> {
protected:
    void Start(VsftpdSecurity security, VsftpdDataMode mode = VsftpdDataMode::ActiveOnly)
    {
        try {
            server = std::make_unique<VsftpdServer>(VsftpdUploads::Accepted, mode, security);
        } catch (const std::runtime_error& failure) {
            GTEST_SKIP() << "vsftpd cannot run here: " << failure.what();
        }
        ::setenv("SSL_CERT_FILE", server->CaFile().empty() ? "/nonexistent" : server->CaFile().c_str(), 1);
        ::setenv("SSL_CERT_DIR", "/nonexistent", 1);
        const bool clear = security == VsftpdSecurity::Clear;
        EnterSite(clear ? "127.0.0.1" : "ftpes://127.0.0.1", server->Port(), VsftpdServer::User, "", server->ServerRoot());
    }

    void TearDown() override
    {
        ::unsetenv("SSL_CERT_FILE");
        ::unsetenv("SSL_CERT_DIR");
        TransferFixture<RemoteWindowFixture>::TearDown();
    }

    std::string StatusLine() const { return ToUtf8(window->progressBar->GetText()); }
    std::string Trusted() const { return TrustedCertificates().Find("127.0.0.1", server->Port()); }

    // Every command a user has, each byte checked on both ends.
    void LogInListDownloadUploadRenameAndDelete(const std::string& statusLine)
    {
        const std::string payload = RandomBytes(3'000'017, 15);
        server->WriteFile("data.bin", payload);
        window->OnLogin();
        ASSERT_TRUE(window->session);
        EXPECT_EQ(StatusLine().rfind(statusLine, 0), 0u) << StatusLine();
        EXPECT_EQ((std::vector<std::string>{VsftpdServer::UploadFolder, "data.bin"}), Names());

        ChooseMode(IDC_BINARY);
        WriteLocal(Local("data.bin"), "the user's older copy");
        ReplacingDownload("data.bin", Local("data.bin"));
        EXPECT_TRUE(ReadLocal(Local("data.bin")) == payload) << "the download is not byte-exact: " << ReadLocal(Local("data.bin")).size() << " bytes, the bar says " << BarText();

        SelectName(VsftpdServer::UploadFolder);
        window->OnDblclkFileList();
        Upload(Local("data.bin"));
        EXPECT_TRUE(ReadLocal(server->PathOf("incoming/data.bin")) == payload) << "the upload is not byte-exact";
        ASSERT_EQ((std::vector<std::string>{"data.bin"}), Names());

        SelectName("data.bin");
        wxTEST_DIALOG(window->OnRename(), ExpectPrompt::Ok("Rename", "data.bin", "renamed.bin"));
        EXPECT_TRUE(ReadLocal(server->PathOf("incoming/renamed.bin")) == payload);
        ASSERT_EQ((std::vector<std::string>{"renamed.bin"}), Names());

        SelectName("renamed.bin");
        wxTEST_DIALOG(window->OnDelete(),
                      ExpectMessageBox("Detete file \"renamed.bin\"", "Delete", wxICON_QUESTION, wxID_YES));
        EXPECT_FALSE(std::filesystem::exists(server->PathOf("incoming/renamed.bin")));
        EXPECT_TRUE(Names().empty());
    }

    std::unique_ptr<VsftpdServer> server;
};

// vsftpd takes every command and data connection only in TLS, so each step
// that works went encrypted; the transfers take the worker's copy loop,
// since splice would move the TLS records as they came.
TEST_F(TlsWindow, AVerifiedServerLogsInListsDownloadsUploadsRenamesAndDeletesEncrypted)
{
    Start(VsftpdSecurity::TlsSignedByTestCa);
    LogInListDownloadUploadRenameAndDelete("Encrypted (TLS 1.");
}

// In clear, a server that refuses PORT and EPRT, as one behind a NAT: every
// data connection falls back to passive mode.
TEST_F(TlsWindow, APassiveOnlyServerInClearTakesEveryCommandTheSameWay)
{
    Start(VsftpdSecurity::Clear, VsftpdDataMode::PassiveOnly);
    LogInListDownloadUploadRenameAndDelete("Not encrypted: the password went in clear text");
}

// Cancel logs nothing in and remembers nothing; Trust logs in and remembers
// the fingerprint (0600), so the next login asks nothing; a new certificate
// on the same host and port is asked about again, with a warning.
TEST_F(TlsWindow, ASelfSignedCertificateIsAskedAboutOnceAndAChangeWarned)
{
    Start(VsftpdSecurity::TlsSelfSigned);
    std::string text;
    wxTEST_DIALOG(window->OnLogin(), AnswerCertificate(wxID_NO, text));  // ftpes: Trust or Cancel
    EXPECT_FALSE(window->session);
    EXPECT_NE(text.find("self-signed"), std::string::npos) << text;
    EXPECT_NE(text.find("SHA-256 fingerprint"), std::string::npos) << text;
    EXPECT_EQ(text.find("Without encryption"), std::string::npos) << text;
    EXPECT_EQ(Trusted(), "");

    wxTEST_DIALOG(window->OnLogin(), AnswerCertificate(wxID_YES, text));
    ASSERT_TRUE(window->session);
    EXPECT_EQ(StatusLine().rfind("Encrypted (TLS 1.", 0), 0u) << StatusLine();
    const std::string fingerprint = Trusted();
    EXPECT_NE(text.find(fingerprint), std::string::npos) << text;
    struct stat file{};
    ASSERT_EQ(::stat((SettingsStore::Folder() + "/Trusted certificates").c_str(), &file), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    window->OnLogout();
    EXPECT_EQ(StatusLine(), " ") << "logout leaves the encryption line";

    window->OnLogin();  // a box here would fail the test
    ASSERT_TRUE(window->session);
    window->OnLogout();

    server->ReplaceCertificate();
    wxTEST_DIALOG(window->OnLogin(), AnswerCertificate(wxID_NO, text));
    EXPECT_FALSE(window->session);
    EXPECT_EQ(text.rfind("WARNING: the certificate of 127.0.0.1", 0), 0u) << text;
    EXPECT_EQ(Trusted(), fingerprint);
}

}  // namespace
