// Login and logout of the main window. Both block the user-interface thread
// behind the wait cursor while the engine talks to the server.
#include "app/CFtpClientDlg.h"

#include "app/ChromeRules.h"
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "ftp/CFtpSession.h"
#include "ftp/LastErrorText.h"
#include "engine/FtpConnection.h"
#include "engine/InternetException.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <wx/utils.h>

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
    ResetQuotedHiddenFields();
    const std::string quoted = FieldHoldingQuote(CurrentFields());
    if (!quoted.empty()) {
        MessageBox(this, "The " + quoted + " box holds a double quote (\"), which a saved site cannot keep.\n\n"
                   "Please remove it and Login again.", "Login", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    session = std::make_unique<CFtpSession>();
    session->SetTimeouts(sessionTimeouts);
    const std::string host = HostFromSiteName(domain);
    try {
        ftpConnection = session->GetFtpConnection(host, userName, password,
                                                  static_cast<std::uint16_t>(port & 0xFFFF), false);
        if (!ftpConnection->SetCurrentDirectory(workingDir)) {
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
            ftpConnection->Close();
            ftpConnection.reset();
        }
        session->Close();
        session.reset();
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

bool CFtpClientDlg::LogOutIfDropped()
{
    if (!ftpConnection || ftpConnection->IsOpen() || TransferBusy())
        return false;
    OnLogout();
    return true;
}
