// Transfers seen from the main window: the mode buttons, Download, Upload,
// Abort and the worker's three events. User-interface thread only; the copy
// itself runs in transfer/TransferWorker on a thread of its own.
#include "app/CFtpClientDlg.h"

#include "app/ChromeRules.h"
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "ftp/LastErrorText.h"
#include "platform/FtpConnection.h"
#include "platform/InternetFile.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "transfer/CAsciiExtDlg.h"
#include "transfer/CPercentProgressCtrl.h"
#include "transfer/DropRules.h"
#include "transfer/LocalUploadFile.h"
#include "transfer/TransferEvents.h"
#include "transfer/TransferRules.h"
#include "transfer/TransferWorker.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <unistd.h>
#include <thread>
#include <utility>

namespace {

// After Abort the worker gets this long to finish its chunk before the data
// connection is shut down under it (a stalled server would block it).
constexpr int kAbortGraceMs = 500;

// Longer than the engine's deadline for the final replies after an abort.
constexpr long kWorkerWaitMs = 60000;

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

void CFtpClientDlg::OnTransferMode()
{
    UpdateData(true);
    if (transferMode != 2)
        return;
    CAsciiExtDlg dialog(this);
    dialog.extList = asciiExtList;
    if (dialog.ShowModal() == wxID_OK)
        asciiExtList = dialog.extList;
}

void CFtpClientDlg::OnDownload()
{
    if (RefuseWhileBusy())
        return;
    const int row = SelectedRowOrSay("Nothing selected !", "Download");
    if (row < 0)
        return;
    const ListEntry entry = fileList->Row(row);
    if (entry.kind != 1) {
        MessageBox(this, "Must select a file !", "Download", MB_OK | MB_ICONEXCLAMATION);
        fileList->DeselectRow(row);
        return;
    }
    // The remote name is the server's word: only a plain name of its own is
    // proposed, never a path, and the file goes where the user points.
    wxFileDialog save(this, "Corvane - Download", FromUtf8(downloadFolder),
                      FromUtf8(ProposedLocalName(ToUtf8(DisplayName(entry.name)))),
                      "All Files ( *.* )|*", wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (save.ShowModal() != wxID_OK)
        return;
    FocusControl(fileList);
    const std::string localPath = ToUtf8(save.GetPath());
    // The row shows the size in KB; the expected size is that number times
    // 1000, as the bar and the estimate have always used. The true size is
    // known here, so a file of many gigabytes still gets a right bar.
    const std::int64_t expected = static_cast<std::int64_t>(std::max<std::uint64_t>(entry.size / 1000, 1)) * 1000;

    UpdateData(true);
    const TransferType type = GetTransferType(transferMode, asciiExtList, localPath);
    std::unique_ptr<InternetFile> remote = ftpConnection->OpenFile(entry.name, FileAccess::Read, type);
    if (!remote) {
        ShowServerFailure(LastErrorText(), "Download - Server");
        return;
    }
    progressBar->SetRange(0, expected);
    progressBar->SetPos(0);
    progressBar->SetText(FromUtf8(StartText(TransferDirection::Download, entry.name)));

    transferJob.localPath = localPath;
    transferJob.remoteName = entry.name;
    transferJob.totalBytes = expected;
    transferJob.remoteFile = std::move(remote);
    transferJob.transferType = type;
    StartTransfer(TransferDirection::Download);
    downloadFolder = FolderOf(localPath);
}

void CFtpClientDlg::OnUpload()
{
    if (RefuseWhileBusy())
        return;
    wxFileDialog open(this, "Vantrel - Upload", FromUtf8(uploadFolder), FromUtf8(uploadFileName),
                      "All Files ( *.* )|*", wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (open.ShowModal() != wxID_OK)
        return;
    UploadFile(ToUtf8(open.GetPath()), ToUtf8(open.GetFilename()));
}

// The upload of a chosen or dropped file, from the question about a listed
// name on.
void CFtpClientDlg::UploadFile(const std::string& path, const std::string& name)
{
    const int row = fileList->FindRow(name);
    if (row >= 0) {
        SelectRow(row);
        FocusControl(fileList);
        if (MessageBox(this, "\"" + name + "\"\nAlready exists on the server.\nUpload anyway ?", "Upload",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return;
    }
    LocalUploadFile local;
    if (!local.Open(path)) {
        MessageBox(this, LastErrorText(), "Upload - Local File", MB_OK | MB_ICONHAND);
        return;
    }
    UpdateData(true);
    const TransferType type = GetTransferType(transferMode, asciiExtList, path);
    std::unique_ptr<InternetFile> remote = ftpConnection->OpenFile(name, FileAccess::Write, type);
    if (!remote) {
        ShowServerFailure(LastErrorText(), "Upload - Server");
        return;
    }
    progressBar->SetRange(0, local.Length());
    progressBar->SetPos(0);
    progressBar->SetText(FromUtf8(StartText(TransferDirection::Upload, name)));

    transferJob.localPath = path;
    transferJob.remoteName = name;
    transferJob.totalBytes = local.Length();
    transferJob.localFile = local.Release();
    transferJob.remoteFile = std::move(remote);
    transferJob.transferType = type;
    StartTransfer(TransferDirection::Upload);
    uploadFolder = path.substr(0, path.size() - name.size());
    uploadFileName = name;
}

// A drop runs the upload once wx's drop handling has ended, so that the
// question about a listed name is not asked inside the drag.
bool CFtpClientDlg::OnDropFiles(const std::vector<std::string>& paths)
{
    if (RefuseWhileBusy())
        return false;
    const DroppedUpload chosen = ChooseDroppedUpload(paths);
    if (chosen.path.empty()) {
        MessageBeep();
        return false;
    }
    CallAfter([this, chosen] { UploadDropped(chosen.path, LeftOutText(chosen.leftOut)); });
    return true;
}

// The word on the files left out stays on the bar: it is there while the
// question is asked and comes back after the transfer's last line.
void CFtpClientDlg::UploadDropped(const std::string& path, const std::string& leftOutText)
{
    if (RefuseWhileBusy())
        return;
    if (!leftOutText.empty())
        progressBar->SetText(FromUtf8(leftOutText));
    UploadFile(path, path.substr(path.rfind('/') + 1));
    if (workerRunning)
        uploadLeftOutText = leftOutText;
}

// The flag is set before the worker starts, so an Abort pressed at once is
// not overwritten by the worker.
void CFtpClientDlg::StartTransfer(TransferDirection direction)
{
    transferJob.direction = direction;
    transferJob.runningFlag = &transferInProgress;
    transferJob.notifyWnd = this;
    transferJob.statusText.clear();
    transferInProgress = 1;
    workerRunning = true;
    try {
        std::thread(direction == TransferDirection::Upload ? UploadThreadProc : DownloadThreadProc, &transferJob)
            .detach();
    } catch (const std::system_error& failure) {
        transferInProgress = 0;
        workerRunning = false;
        transferJob.remoteFile->Close();
        transferJob.remoteFile.reset();
        if (transferJob.localFile >= 0)
            close(std::exchange(transferJob.localFile, -1));
        MessageBox(this, std::string("The transfer could not be started: ") + failure.what(),
                   direction == TransferDirection::Upload ? "Upload" : "Download", MB_OK | MB_ICONHAND);
        return;
    }
    FindWindow(IDC_ABORT)->Enable();
}

void CFtpClientDlg::OnAbort()
{
    transferInProgress = 0;
    if (workerRunning)
        abortTimer.StartOnce(kAbortGraceMs);
}

void CFtpClientDlg::OnAbortGraceOver()
{
    if (workerRunning && transferJob.remoteFile)
        transferJob.remoteFile->Abort();
}

void CFtpClientDlg::OnTransferError(const std::string& text, const std::string& caption)
{
    MessageBox(this, text, caption, MB_OK | MB_ICONHAND);
}

void CFtpClientDlg::OnTransferProgress(long long bytes)
{
    {
        std::lock_guard<std::mutex> guard(transferJob.lock);
        progressBar->SetText(FromUtf8(transferJob.statusText));
    }
    progressBar->SetPos(bytes);
    if (!IsIconized())
        return;
    const auto title = MinimisedTitle(transferJob.direction, bytes, transferJob.totalBytes, domain, windowTitle);
    if (title)
        SetTitle(FromUtf8(*title));
}

void CFtpClientDlg::OnTransferDone()
{
    workerRunning = false;
    abortTimer.Stop();
    transferJob.remoteFile.reset();
    transferInProgress = 0;
    FindWindow(IDC_ABORT)->Disable();
    wxBell();
    Iconize(false);
    Raise();
    if (!uploadLeftOutText.empty())
        progressBar->SetText(progressBar->GetText() + "   " + FromUtf8(std::exchange(uploadLeftOutText, {})));
    // The worker's box has told why a dropped connection failed: no listing
    // to fail once more.
    if (LogOutIfDropped())
        return;
    if (transferJob.direction == TransferDirection::Upload) {
        RefreshListing();
        if (!ftpConnection)
            return;  // the listing found the connection gone
    }
    const int row = fileList->FindRow(transferJob.remoteName);
    if (row >= 0)
        SelectRow(row);
    SetTitle(FromUtf8(LoggedInTitle(domain, windowTitle)));
    FocusControl(fileList);
}

// Logout and close may come right after Abort, while the worker still uses
// the job, the connection and this window: let it finish first. Abort has
// shut a stalled data connection down, so this wait is short; every command
// is refused meanwhile (TransferBusy). The toolkit does not yield inside a
// yield, so a nested wait would spin without ever seeing WM_TRANSFER_DONE:
// it is refused instead.
CFtpClientDlg::WorkerWait CFtpClientDlg::WaitForWorker()
{
    if (!workerRunning)
        return WorkerWait::Ended;
    if (waitingForWorker)
        return WorkerWait::AlreadyWaiting;
    waitingForWorker = true;
    if (transferJob.remoteFile)
        transferJob.remoteFile->Abort();
    wxStopWatch watch;
    while (workerRunning && watch.Time() < kWorkerWaitMs) {
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    }
    waitingForWorker = false;
    return workerRunning ? WorkerWait::TimedOut : WorkerWait::Ended;
}
