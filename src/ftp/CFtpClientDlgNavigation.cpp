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
    const int row = fileList->FirstSelected();
    if (row < 0)
        MessageBox(this, text, caption, MB_OK | MB_ICONEXCLAMATION);
    return row;
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
    ShowServerFailure(LastErrorText(), caption);
}

// A link may lead to a folder, which only the server knows: it is tried,
// and a refusal is taken for a link to a file. True when it was entered, or
// when the session ended and said so.
bool CFtpClientDlg::EnterLinkedFolder(const std::string& name)
{
    wxBusyCursor wait;
    if (ftpConnection->SetCurrentDirectory(name)) {
        RefreshListing();
        return true;
    }
    return ftpConnection->IsOpen() ? false : ShowServerFailure(LastErrorText(), "Change Directory");
}

void CFtpClientDlg::OnChdir()
{
    if (RefuseWhileBusy())
        return;
    const int row = SelectedRowOrSay("Nothing selected!", "Change Directory");
    if (row < 0)
        return;
    const ListEntry& entry = fileList->Row(row);
    if (entry.kind == LIST_KIND_FOLDER) {
        ChangeDirectory(entry.name, "Change Directory");
        return;
    }
    if (entry.link && EnterLinkedFolder(entry.name))
        return;
    MessageBox(this, "Not a Directory!", "Change Directory", MB_OK | MB_ICONEXCLAMATION);
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
