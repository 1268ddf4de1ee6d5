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
#include "platform/LastError.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "transfer/CAsciiExtDlg.h"
#include "transfer/CPercentProgressCtrl.h"
#include "transfer/DropRules.h"
#include "transfer/LocalUploadFile.h"
#include "transfer/TransferRules.h"
#include "transfer/TransferWorker.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
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

// The size of a regular file at `path`; nothing for no file, or for a pipe
// or a device, which hold no part to resume or replace.
std::optional<std::uint64_t> RegularFileSize(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

std::string NameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// Resume (which sets `offset` to the part's size), the second answer, or
// Cancel, the default; false for Cancel.
bool AskResume(wxWindow* owner, const std::string& question, const char* caption, const ButtonLabels& labels,
               std::uint64_t partSize, std::int64_t& offset)
{
    const int answer =
        MessageBox(owner, question, caption, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3, labels);
    if (answer == IDYES)
        offset = static_cast<std::int64_t>(partSize);
    return answer == IDYES || answer == IDNO;
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
    // No overwrite prompt of the toolkit's: an existing file gets one
    // question of ours, which can offer Resume.
    wxFileDialog save(this, "Corvane - Download", FromUtf8(downloadFolder),
                      FromUtf8(ProposedLocalName(ToUtf8(DisplayName(entry.name)))),
                      "All Files ( *.* )|*", wxFD_SAVE);
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
    std::int64_t offset = 0;
    if (!MayWriteLocalFile(localPath, entry.size, type, offset))
        return;
    std::unique_ptr<InternetFile> remote =
        OpenRemoteFile(entry.name, FileAccess::Read, type, offset, "Download - Server");
    if (!remote)
        return;
    StartTransfer(TransferDirection::Download, localPath, entry.name, expected, std::move(remote), type, offset);
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
    UpdateData(true);
    const TransferType type =
        UploadTransferType(GetTransferType(transferMode, asciiExtList, path), ftpConnection->Protocol());
    std::int64_t offset = 0;
    const int row = fileList->FindRow(name);
    if (row >= 0 && !MayReplaceRemoteFile(row, path, name, type, offset))
        return;
    LocalUploadFile local;
    if (!local.Open(path)) {
        MessageBox(this, LastErrorText(), "Upload - Local File", MB_OK | MB_ICONHAND);
        return;
    }
    std::unique_ptr<InternetFile> remote = OpenRemoteFile(name, FileAccess::Write, type, offset, "Upload - Server");
    if (!remote)
        return;
    transferJob.localFile = local.Release();
    StartTransfer(TransferDirection::Upload, path, name, local.Length(), std::move(remote), type, offset);
    uploadFolder = path.substr(0, path.size() - name.size());
    uploadFileName = name;
}

bool CFtpClientDlg::MayWriteLocalFile(const std::string& localPath, std::uint64_t remoteSize, TransferType type,
                                      std::int64_t& offset)
{
    const std::optional<std::uint64_t> localSize = RegularFileSize(localPath);
    const std::string name = NameOf(localPath);
    switch (ExistingTargetQuestion(localSize, remoteSize, type)) {
    case ExistingTarget::Free: return true;
    case ExistingTarget::AskReplace:
        return MessageBox(this, DownloadReplaceQuestion(name), "Download",
                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    case ExistingTarget::AskResume: break;
    }
    return AskResume(this, DownloadResumeQuestion(name, *localSize, remoteSize), "Download",
                     {"&Resume", "Re&place", "&Cancel"}, *localSize, offset);
}

// The listed name's question, with Resume among its answers where the
// listed file is a shorter part of the local one.
bool CFtpClientDlg::MayReplaceRemoteFile(int row, const std::string& path, const std::string& name, TransferType type,
                                         std::int64_t& offset)
{
    SelectRow(row);
    FocusControl(fileList);
    const ListEntry entry = fileList->Row(row);
    const std::optional<std::uint64_t> localSize = RegularFileSize(path);
    const std::string question = "\"" + name + "\"\nAlready exists on the server.\nUpload anyway ?";
    const bool resumable = entry.kind == LIST_KIND_FILE && localSize &&
                           ExistingTargetQuestion(entry.size, *localSize, type) == ExistingTarget::AskResume;
    if (!resumable)
        return MessageBox(this, question, "Upload", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    return AskResume(this, question, "Upload", {"&Resume", "&Yes", "&No"}, entry.size, offset);
}

std::unique_ptr<InternetFile> CFtpClientDlg::OpenRemoteFile(const std::string& name, FileAccess access,
                                                          TransferType type, std::int64_t& offset, const char* caption)
{
    std::unique_ptr<InternetFile> remote =
        ftpConnection->OpenFile(name, access, type, static_cast<std::uint64_t>(offset));
    if (!remote && GetLastError() == ERROR_FTP_RESUME_REFUSED) {
        if (MessageBox(this, ResumeRefusedQuestion(name, GetLastResponseInfo()), caption,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return nullptr;
        offset = 0;
        remote = ftpConnection->OpenFile(name, access, type);
    }
    if (!remote)
        ShowServerFailure(LastErrorText(), caption);
    return remote;
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
    UploadFile(path, NameOf(path));
    if (workerRunning)
        uploadLeftOutText = leftOutText;
}

// A resumed transfer's bar starts where the part ends. The flag is set
// before the worker starts, so an Abort pressed at once is not overwritten
// by the worker.
void CFtpClientDlg::StartTransfer(TransferDirection direction, const std::string& localPath,
                                  const std::string& remoteName, std::int64_t totalBytes,
                                  std::unique_ptr<InternetFile> remote, TransferType type, std::int64_t offset)
{
    progressBar->SetRange(0, totalBytes);
    progressBar->SetPos(offset);
    progressBar->SetText(FromUtf8(StartText(direction, remoteName)));
    transferJob.direction = direction;
    transferJob.localPath = localPath;
    transferJob.remoteName = remoteName;
    transferJob.totalBytes = totalBytes;
    transferJob.remoteFile = std::move(remote);
    transferJob.transferType = type;
    transferJob.resumeFrom = offset;
    transferJob.runningFlag = &transferInProgress;
    transferJob.notifyWnd = this;
    transferJob.connection = ftpConnection.get();
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
