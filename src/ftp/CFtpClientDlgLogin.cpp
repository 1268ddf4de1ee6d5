// Login and logout of the main window. Both block the user-interface thread
// behind the wait cursor while the engine talks to the server.
#include "app/CFtpClientDlg.h"

#include "app/ChromeRules.h"
#include "app/ControlIds.h"
#include "app/HostPortFile.h"
#include "ftp/CertificateQuestion.h"
#include "ftp/CFtpSession.h"
#include "ftp/SshQuestions.h"
#include "ftp/LastErrorText.h"
#include "platform/FtpConnection.h"
#include "platform/InternetException.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "platform/UnknownHostKeyException.h"
#include "platform/UntrustedCertificateException.h"
#include "sites/SiteAddress.h"
#include "transfer/CPercentProgressCtrl.h"

#include <wx/utils.h>

namespace {

// Logs in over SFTP; an unknown host key is put to the user once and, when
// trusted, the login made again (which adds it to known_hosts). A key's
// passphrase is asked for as the login needs it. Null when the user
// cancelled. Throws InternetException.
std::unique_ptr<FtpConnection> ConnectOverSsh(wxWindow* owner, CFtpSession& session, FtpLoginRequest request)
{
    request.askSecret = [owner](const std::string& prompt, std::string& answer) {
        return AskPassphrase(owner, prompt, answer);
    };
    try {
        return session.GetFtpConnection(request);
    } catch (const UnknownHostKeyException& unknown) {
        if (AskAboutHostKey(owner, unknown.HostKey(), request.host, request.port) == HostKeyAnswer::Cancel)
            return nullptr;
        request.trustedFingerprint = unknown.HostKey().fingerprint;
    }
    // A key that changed again in between is an error like any other.
    return session.GetFtpConnection(request);
}

// Logs in; a certificate that did not verify is put to the user once and the
// login made again as answered. Null when the user cancelled. Throws
// InternetException.
std::unique_ptr<FtpConnection> ConnectAsked(wxWindow* owner, CFtpSession& session, FtpLoginRequest request)
{
    if (request.protocol == RemoteProtocol::Sftp)
        return ConnectOverSsh(owner, session, std::move(request));
    HostPortFile trusted = TrustedCertificates();
    const std::string remembered = trusted.Find(request.host, request.port);
    request.trustedFingerprint = remembered;
    try {
        return session.GetFtpConnection(request);
    } catch (const UntrustedCertificateException& untrusted) {
        const ServerCertificate& certificate = untrusted.Certificate();
        const auto history = remembered.empty() ? CertificateHistory::New : CertificateHistory::Changed;
        switch (AskAboutCertificate(owner, certificate, request.host, request.port, history, request.tls)) {
        case CertificateAnswer::Cancel:
            return nullptr;
        case CertificateAnswer::GoOnInClear:
            request.tls = TlsPolicy::Declined;
            break;
        case CertificateAnswer::Trust:
            request.trustedFingerprint = certificate.fingerprint;
            if (std::string error; !trusted.Remember(request.host, request.port, certificate.fingerprint, error))
                MessageBox(owner, error + "\n\nThe certificate is trusted for this login only.", "Login",
                           MB_OK | MB_ICONEXCLAMATION);
            break;
        }
    }
    // A certificate that changed again in between is an error like any other.
    return session.GetFtpConnection(request);
}

std::string EncryptionLine(const FtpConnection& connection)
{
    const std::string protocol = connection.Encryption();
    return protocol.empty() ? "Not encrypted: the password went in clear text" : "Encrypted (" + protocol + ")";
}

}  // namespace

void CFtpClientDlg::OnLogin()
{
    if (session) {
        MessageBeep();
        return;
    }
    wxBusyCursor wait;
    // A port box without a number would log in with a stale port, that is
    // to another server than the one shown: stop here instead.
    if (!UpdateData(true))
        return;
    // Only a port's low 16 bits reach the socket, so 65557 would hand the
    // user name and password to whatever listens on port 21.
    if (port < 1 || port > 65535) {
        MessageBox(this, "The Port box must hold a port number from 1 to 65535.", "Login",
                   MB_OK | MB_ICONEXCLAMATION);
        FocusControl(FindWindow(IDC_PORT));
        return;
    }
    ResetQuotedHiddenFields();
    const std::string quoted = FieldHoldingQuote(CurrentFields());
    if (!quoted.empty()) {
        MessageBox(this, "The " + quoted + " box holds a double quote (\"), which a saved site cannot keep.\n\n"
                   "Please remove it and Login again.", "Login", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    session = std::make_unique<CFtpSession>();
    session->SetTimeouts(sessionTimeouts);
    FtpLoginRequest request = LoginRequestFor(domain, static_cast<std::uint16_t>(port), userName, password);
    RecallServer(request);
    try {
        ftpConnection = ConnectAsked(this, *session, request);
        if (!ftpConnection) {
            OnLogout();
            return;
        }
        // A blank start directory (a connection that dropped leaves the PWD
        // box so) stays in the server's login folder: "CWD " alone is refused
        // by servers such as vsftpd, which would fail every later login.
        if (!workingDir.empty() && !ftpConnection->SetCurrentDirectory(workingDir)) {
            const std::string error = LastErrorText();
            workingDir = "/";
            UpdateData(false);
            MessageBox(this, error, "Login", MB_OK | MB_ICONHAND);
            OnLogout();
            return;
        }
    } catch (const InternetException& failure) {
        MessageBox(this, failure.GetErrorMessage(), "Login", MB_OK | MB_ICONHAND);
        OnLogout();
        return;
    }
    SetTitle(FromUtf8(LoggedInTitle(domain, windowTitle)));
    SetLoggedInState(true);
    progressBar->SetText(FromUtf8(EncryptionLine(*ftpConnection)));
    RefreshListing();
    if (!session)
        return;  // the server dropped the connection during the listing
    loginTime = std::time(nullptr);
    OnTimer(kClockTimerId);
    clockTimer.Start(1000);
    RecordSiteAfterLogin();
    FocusControl(FindWindow(IDC_LOGOUT));
}

// The refusal of Logout and Close while a transfer runs or still ends.
void CFtpClientDlg::SayTransferInProgress()
{
    MessageBox(this, "A file transfer is in progress.\n\nPress Abort before trying to Logout.", "Logout",
               MB_OK | MB_ICONINFORMATION);
}

void CFtpClientDlg::OnLogout()
{
    if (transferInProgress != 0) {
        SayTransferInProgress();
        return;
    }
    // After Abort the worker may still be finishing with the connection;
    // one that outlives the wait keeps it, and the transfer is still on.
    switch (WaitForWorker()) {
    case WorkerWait::Ended: break;
    case WorkerWait::AlreadyWaiting: MessageBeep(); return;  // clicked during an earlier Logout's or Close's wait
    case WorkerWait::TimedOut: SayTransferInProgress(); return;
    }
    if (session) {
        wxBusyCursor wait;
        if (ftpConnection) {
            RememberServer();
            ftpConnection->Close();
            ftpConnection.reset();
        }
        session.reset();
        // The login's encryption line goes with it; a transfer's last line stays.
        if (progressBar->GetText().StartsWith("Encrypted (") || progressBar->GetText().StartsWith("Not encrypted:"))
            progressBar->SetText(" ");
        ClearListing();
        SetLoggedInState(false);
    } else {
        MessageBeep();
    }
    SetTitle(FromUtf8(windowTitle));
    clockTimer.Stop();
    runTimeText.clear();
    infoText = INFO_TEXT;
    UpdateData(false);
    FocusControl(FindWindow(IDC_LOGIN));
}

// What the engine noted of the server at the last login goes back to it;
// ftp:// asks for clear text, so the memory of TLS is dropped.
void CFtpClientDlg::RecallServer(FtpLoginRequest& request)
{
    serverPlace = {request.host, request.port};
    HostPortFile memory = SiteMemory();
    std::string error;
    if (request.tls == TlsPolicy::Declined && !memory.Forget(request.host, request.port, error))
        MessageBox(this, error, "Login", MB_OK | MB_ICONEXCLAMATION);
    request.serverNotes = memory.Find(request.host, request.port);
}

void CFtpClientDlg::RememberServer()
{
    std::string error;
    if (!SiteMemory().Remember(serverPlace.host, serverPlace.port, ftpConnection->ServerNotes(), error))
        MessageBox(this, error + "\n\nThe next login to this server will not know that it spoke TLS.", "Logout",
                   MB_OK | MB_ICONEXCLAMATION);
}

bool CFtpClientDlg::ShowServerFailure(const std::string& text, const char* caption)
{
    const bool dropped = ftpConnection && !ftpConnection->IsOpen() && !TransferBusy();
    std::string shown = text;
    if (dropped) {
        shown += "\n\nThe session with the server has ended, so you are now logged out.";
        if (!workingDir.empty())
            shown += " Login brings you back to " + workingDir + ".";
    }
    MessageBox(this, shown, caption, MB_OK | MB_ICONHAND);
    return LogOutIfDropped();
}

bool CFtpClientDlg::LogOutIfDropped()
{
    if (!ftpConnection || ftpConnection->IsOpen() || TransferBusy())
        return false;
    OnLogout();
    return true;
}
