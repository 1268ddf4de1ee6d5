// Open In: a remote file downloaded into this run's private temporary folder and handed
// to a viewer program; and the dialog that chooses the three viewers.
// User-interface thread only; the download blocks behind the wait cursor.
#include "app/CFtpClientDlg.h"

#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "ftp/LastErrorText.h"
#include "platform/FtpConnection.h"
#include "platform/LastError.h"
#include "platform/MessageBox.h"
#include "transfer/TransferRules.h"
#include "viewers/COpenInConfigDlg.h"
#include "viewers/ViewerDownload.h"
#include "viewers/ViewerLaunch.h"

#include <wx/utils.h>

#include <cerrno>

void CFtpClientDlg::OnOpenIn(int commandId)
{
    const std::string path = DownloadForViewing();
    if (path.empty())
        return;
    const std::string* viewers[] = {&openTextPath, &openGraphicsPath, &openBrowserPath};
    const std::string& command = *viewers[commandId - ID_OPENIN_TEXT];
    if (StartViewer(command, path) != LaunchResult::Started) {
        SetLastError(errno);
        MessageBox(this, LastErrorText(), "Open In", MB_OK | MB_ICONHAND);
    }
}

std::string CFtpClientDlg::DownloadForViewing()
{
    if (!ftpConnection)
        return {};
    // The connection carries one command at a time: not beside a worker's.
    if (TransferBusy()) {
        MessageBeep();
        return {};
    }
    const int row = SelectedRowOrSay("Nothing selected !", "Open In");
    if (row < 0)
        return {};
    const ListEntry entry = fileList->Row(row);
    if (entry.kind != 1) {
        MessageBeep();
        return {};
    }
    // A name that is not a plain file name would put the file elsewhere
    // than the temporary directory.
    if (!IsValidLocalFileName(entry.name)) {
        SetLastError(EINVAL);
        MessageBox(this, "\"" + entry.name + "\"\n" + LastErrorText(), "Open In", MB_OK | MB_ICONHAND);
        return {};
    }
    // The folder is made before the wait cursor, so its failure is said alone.
    if (viewerTempDir.Path().empty()) {
        SetLastError(errno);
        MessageBox(this, LastErrorText(), "Open In", MB_OK | MB_ICONHAND);
        return {};
    }
    // Control and direction characters in the local name could rewrite a
    // terminal's title or turn the viewer's shown name around.
    const std::string path = TempViewerPath(viewerTempDir.Path(), ProposedLocalName(entry.name));
    wxBusyCursor wait;
    UpdateData(true);
    const TransferType type = GetTransferType(transferMode, asciiExtList, entry.name);
    const ViewerDownloadBounds bounds = BoundsForListedSize(entry.size, viewerLimits);
    if (!DownloadForViewer(*ftpConnection, entry.name, type, bounds, viewerTempDir, path)) {
        ShowServerFailure("\"" + entry.name + "\"\n" + LastErrorText(), "Open In");
        return {};
    }
    tempFiles.push_back(path);
    return path;
}

void CFtpClientDlg::OnOpenInConfigure()
{
    COpenInConfigDlg dialog(this);
    dialog.textPath = openTextPath;
    dialog.graphicsPath = openGraphicsPath;
    dialog.browserPath = openBrowserPath;
    if (dialog.DoModal() != IDOK)
        return;
    openTextPath = dialog.textPath;
    openGraphicsPath = dialog.graphicsPath;
    openBrowserPath = dialog.browserPath;
}
