// The remote directory list of the main window: rebuilt from a fresh
// enumeration after every change of the server's directory or contents.
#include "app/CFtpClientDlg.h"

#include "ftp/CFileListCtrl.h"
#include "ftp/LastErrorText.h"
#include "ftp/ListEntry.h"
#include "platform/FtpConnection.h"

#include <wx/utils.h>

void CFtpClientDlg::RefreshListing()
{
    ClearListing();
    // A directory the server would not name is shown as none rather than
    // as the one we were in before.
    if (!ftpConnection->GetCurrentDirectory(workingDir)) {
        // A session the server ended keeps the folder, for the next Login.
        if (ftpConnection->IsOpen())
            workingDir.clear();
        ShowListingFailure();
        return;
    }
    // An empty directory is no failure.
    std::vector<FtpListEntry> entries;
    if (!ftpConnection->List(entries)) {
        ShowListingFailure();
        return;
    }
    ListingSummary listing = BuildListing(entries);
    infoText = FormatSummary(listing.folders, listing.files, listing.totalBytes);
    UpdateData(false);
    fileList->SetEntries(std::move(listing.rows));
    fileList->Sort(sortDescending[0], 0);
}

// The list stays empty and the summary says nothing: counts of a listing
// that never came would read as an empty directory.
void CFtpClientDlg::ShowListingFailure()
{
    const std::string error = LastErrorText();
    infoText.clear();
    UpdateData(false);
    ShowServerFailure(error, "Directory Listing");
}

void CFtpClientDlg::ClearListing()
{
    fileList->SetEntries({});
}

void CFtpClientDlg::OnRefresh()
{
    if (!IsIdleAndConnected())
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
