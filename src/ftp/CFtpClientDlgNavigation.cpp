// Moving the connection's current directory: chdir, double-click, cd .. and
// cd /. Each change blocks behind the wait cursor and rebuilds the list.
#include "app/CFtpClientDlg.h"

#include "ftp/CFileListCtrl.h"
#include "ftp/LastErrorText.h"
#include "platform/FtpConnection.h"
#include "platform/MessageBox.h"

#include <wx/utils.h>

bool CFtpClientDlg::TransferBusy() const
{
    return transferInProgress != 0 || workerRunning;
}

bool CFtpClientDlg::IsIdleAndConnected() const
{
    return !TransferBusy() && ftpConnection;
}

bool CFtpClientDlg::RefuseWhileBusy() const
{
    if (IsIdleAndConnected())
        return false;
    MessageBeep();
    return true;
}

int CFtpClientDlg::SelectedRowOrSay(const char* text, const char* caption)
{
    const int row = SelectedRow();
    if (row < 0)
        MessageBox(this, text, caption, MB_OK | MB_ICONEXCLAMATION);
    return row;
}

int CFtpClientDlg::SelectedRow() const
{
    return fileList->FirstSelected();
}

void CFtpClientDlg::SelectRow(int row)
{
    fileList->SelectRow(row);
    fileList->EnsureVisible(row);
}

void CFtpClientDlg::ChangeDirectory(const std::string& directory, const char* caption)
{
    wxBusyCursor wait;
    if (ftpConnection->SetCurrentDirectory(directory)) {
        RefreshListing();
        return;
    }
    MessageBox(this, LastErrorText(), caption, MB_OK | MB_ICONHAND);
    LogOutIfDropped();
}

void CFtpClientDlg::OnChdir()
{
    if (RefuseWhileBusy())
        return;
    const int row = SelectedRowOrSay("Nothing selected!", "Change Directory");
    if (row < 0)
        return;
    if (fileList->Row(row).kind != 0) {
        MessageBox(this, "Not a Directory!", "Change Directory", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    ChangeDirectory(fileList->Row(row).name, "Change Directory");
}

void CFtpClientDlg::OnDblclkFileList()
{
    OnChdir();
}

void CFtpClientDlg::OnCdUp()
{
    if (RefuseWhileBusy())
        return;
    ChangeDirectory("..", "Change to Parent Dir");
}

void CFtpClientDlg::OnCdRoot()
{
    if (RefuseWhileBusy())
        return;
    ChangeDirectory("/", "Change to Root Dir");
}
