// The window logged in to vsftpd demanding TLS: the encryption line, and the
// certificate question answered through wx's modal hooks.
#include "app/SettingsStore.h"
#include "app/TrustedCertificates.h"
#include "ftp/RemoteWindowFixture.h"
#include "support/GuiTestHelpers.h"
#include "support/VsftpdServer.h"
#include "transfer/CPercentProgressCtrl.h"

#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <sys/stat.h>

#include <cstdlib>
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

class TlsWindow : public RemoteWindowFixture {
protected:
    void Start(VsftpdSecurity security)
    {
        try {
            server = std::make_unique<VsftpdServer>(VsftpdUploads::Refused, VsftpdDataMode::ActiveOnly, security);
        } catch (const std::runtime_error& failure) {
            GTEST_SKIP() << "vsftpd cannot run here: " << failure.what();
        }
        ::setenv("SSL_CERT_FILE", server->CaFile().empty() ? "/nonexistent" : server->CaFile().c_str(), 1);
        ::setenv("SSL_CERT_DIR", "/nonexistent", 1);
        EnterSite("ftpes://127.0.0.1", server->Port(), VsftpdServer::User, "", server->ServerRoot());
    }

    void TearDown() override
    {
        ::unsetenv("SSL_CERT_FILE");
        ::unsetenv("SSL_CERT_DIR");
        RemoteWindowFixture::TearDown();
    }

    std::string StatusLine() const { return ToUtf8(window->progressBar->GetText()); }
    std::string Trusted() const { return TrustedCertificates().Find("127.0.0.1", server->Port()); }

    std::unique_ptr<VsftpdServer> server;
};

TEST_F(TlsWindow, AVerifiedServerLogsInAndTheStatusLineSaysEncrypted)
{
    Start(VsftpdSecurity::TlsSignedByTestCa);
    server->WriteFile("a.txt", "a");
    window->OnLogin();
    ASSERT_TRUE(window->session);
    EXPECT_EQ(StatusLine().rfind("Encrypted (TLS 1.", 0), 0u) << StatusLine();
    EXPECT_GT(window->fileList->GetItemCount(), 0);
    window->OnLogout();
    EXPECT_EQ(StatusLine(), " ");
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
