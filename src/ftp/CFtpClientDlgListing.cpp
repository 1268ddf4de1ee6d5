// The remote directory list of the main window: rebuilt from a fresh
// enumeration after every change of the server's directory or contents.
#include "app/CFtpClientDlg.h"

#include "ftp/CFileListCtrl.h"
#include "ftp/ListEntry.h"
#include "platform/FtpConnection.h"
#include "platform/FtpFileFind.h"

#include <wx/utils.h>

void CFtpClientDlg::RefreshListing()
{
    ftpConnection->GetCurrentDirectory(workingDir);
    ClearListing();

    FtpFileFind finder(*ftpConnection);
    ListingSummary listing;
    for (bool more = finder.FindFile(); more;) {
        more = finder.FindNextFile();
        const FtpEntryKind kind = finder.IsDirectory() ? FtpEntryKind::Directory : FtpEntryKind::File;
        AddListingEntry(listing, FtpListEntry{finder.GetFileName(), kind, finder.GetLength(), finder.GetLastWriteTime()});
    }
    finder.Close();

    infoText = FormatSummary(listing.folders, listing.files, listing.totalBytes);
    UpdateData(false);
    fileList->SetEntries(std::move(listing.rows));
    fileList->Sort(sortDescending[0], 0);
}

void CFtpClientDlg::ClearListing()
{
    fileList->Clear();
}

void CFtpClientDlg::OnRefresh()
{
    if (transferInProgress != 0 || !ftpConnection)
        return;
    wxBusyCursor wait;
    RefreshListing();
}

void CFtpClientDlg::OnColumnclickFileList(int column)
{
    if (column < 0 || column > 2)
        return;
    sortDescending[column] = 1 - sortDescending[column];
    fileList->Sort(sortDescending[column], column);
}
