// Runs on the worker thread only. Talks to the window through queued events
// and to the window's thread through job->lock (statusText) and the atomic
// running flag.
#include "transfer/TransferWorker.h"

#include "ftp/LastErrorText.h"
#include "platform/FtpConnection.h"
#include "platform/InternetFile.h"
#include "engine/TransferTypes.h"
#include "platform/LastError.h"
#include "transfer/CopyPump.h"
#include "transfer/TransferEvents.h"
#include "transfer/TransferJob.h"
#include "transfer/TransferRules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

wxDEFINE_EVENT(WM_TRANSFER_ERROR, wxThreadEvent);
wxDEFINE_EVENT(WM_TRANSFER_PROGRESS, wxThreadEvent);
wxDEFINE_EVENT(WM_TRANSFER_DONE, wxThreadEvent);

namespace {

// A progress report that counts itself in the job's reports in flight until
// whoever took it (the window's handler, or a test's sink) deletes it.
class ProgressReport : public wxThreadEvent {
public:
    ProgressReport(std::shared_ptr<std::atomic<int>> inFlight, long long bytes)
        : wxThreadEvent(WM_TRANSFER_PROGRESS), inFlight(std::move(inFlight))
    {
        ++*this->inFlight;
        SetExtraLong(static_cast<long>(bytes));
    }
    // A copy is not queued, so it is not counted.
    ProgressReport(const ProgressReport& other) : wxThreadEvent(other) {}
    ~ProgressReport() override
    {
        if (inFlight)
            --*inFlight;
    }
    wxEvent* Clone() const override { return new ProgressReport(*this); }

private:
    std::shared_ptr<std::atomic<int>> inFlight;
};

// A file far larger than its listing is copied in 1000-byte chunks. A report
// for each would queue faster than the window takes them, growing without
// bound and holding Abort's click back behind them; past this many waiting,
// a chunk's report is left out, and the next one carries the newer count.
constexpr int kReportsInFlight = 16;

enum class Report { IfTheWindowKeepsUp, Always };

void PostProgress(TransferJob& job, long long bytes, Report report)
{
    if (report == Report::IfTheWindowKeepsUp && *job.progressInFlight >= kReportsInFlight)
        return;
    wxQueueEvent(job.notifyWnd, new ProgressReport(job.progressInFlight, bytes));
}

void SetStatus(TransferJob& job, const std::string& line)
{
    std::lock_guard<std::mutex> guard(job.lock);
    job.statusText = line;
}

void PostErrorText(TransferJob& job, const std::string& text, const std::string& what)
{
    // A failure mid-copy comes after progress lines the window may still be reading.
    SetStatus(job, text);
    auto* event = new wxThreadEvent(WM_TRANSFER_ERROR);
    event->SetString(wxString::FromUTF8(text));
    const std::string word = job.direction == TransferDirection::Upload ? "Upload" : "Download";
    event->SetPayload(word + " - " + what);
    wxQueueEvent(job.notifyWnd, event);
}

// Takes the calling thread's last error as the box's text.
void PostError(TransferJob& job, const std::string& what)
{
    PostErrorText(job, LastErrorText(), what);
}

class Copier {
public:
    explicit Copier(TransferJob& job) : job(job) {}
    ~Copier()
    {
        if (local >= 0)
            close(local);
    }
    Copier(const Copier&) = delete;
    Copier& operator=(const Copier&) = delete;

    void Run()
    {
        if (!OpenLocal())
            return;
        const auto start = std::chrono::steady_clock::now();
        const auto elapsedMs = [start] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        };
        CopyOrder order;
        order.direction = job.direction;
        order.convertLineEnds = job.transferType == FTP_TRANSFER_TYPE_ASCII;
        order.localFile = local;
        order.chunk = static_cast<std::size_t>(ChunkSize(job.totalBytes));
        order.resumedAt = job.resumeFrom;
        order.running = job.runningFlag;
        order.onChunk = [this, &elapsedMs](std::int64_t copied) {
            SetStatus(job, ProgressLine(job.direction, job.remoteName,
                                        SecondsLeft(elapsedMs(), job.totalBytes, copied, job.resumeFrom)));
            PostProgress(job, copied, Report::IfTheWindowKeepsUp);
        };
        CopyPump pump(std::move(order));
        const CopyOutcome outcome = pump.Run(*job.remoteFile);
        if (outcome.end == CopyEnd::OutOfMemory) {
            PostError(job, "Memory");
            return;
        }
        if (outcome.end == CopyEnd::Failed)
            PostFailure(outcome.side);
        // The rate is the copy's: the check's round trips are not the link's.
        const std::int64_t copyMs = elapsedMs();
        const bool whole = outcome.end != CopyEnd::Complete || CheckedWhole();
        FinishLine(whole ? outcome.end : CopyEnd::Failed, copyMs, pump.Copied());
    }

private:
    bool OpenLocal()
    {
        // No O_TRUNC: an existing file is emptied only once the server has
        // sent something to put in its place (see CopyPump).
        // Read as well: the check after a resumed download hashes the file.
        if (job.direction == TransferDirection::Download)
            local = open(job.localPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        else if (job.localFile >= 0)
            local = std::exchange(job.localFile, -1);  // opened by the window before STOR
        else
            local = open(job.localPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (local < 0 || (job.resumeFrom > 0 && lseek(local, job.resumeFrom, SEEK_SET) < 0))
            return PostLocalFailure();
        return true;
    }

    // A binary transfer ends as a success only when the server's size of the
    // file (where it counts sizes) is the local one, and a resumed one also
    // when its hash (where the server offers one) is: two parts of different
    // files would otherwise pass as one. A resumed download that fails the
    // check is cut back to the part it started from. True when nothing
    // disagrees; otherwise the box is queued. On the worker's thread, while
    // the window leaves the connection alone.
    bool CheckedWhole()
    {
        if (!job.connection || job.transferType != FTP_TRANSFER_TYPE_BINARY)
            return true;
        struct stat status {};
        if (fstat(local, &status) != 0)
            return PostLocalFailure();
        const auto localSize = static_cast<std::uint64_t>(status.st_size);
        std::optional<std::uint64_t> remoteSize;
        FileDigests digests;
        if (job.connection->OffersSize() && !job.connection->GetFileSize(job.remoteName, remoteSize.emplace()))
            return PostCheckFailure();
        if (job.resumeFrom > 0 && !job.connection->CompareDigests(job.remoteName, local, digests))
            return PostCheckFailure();
        const CheckVerdict verdict = JudgeTransfer(localSize, remoteSize, digests);
        if (verdict == CheckVerdict::Whole)
            return true;
        if (job.direction == TransferDirection::Download && job.resumeFrom > 0)
            CutBackToThePart();
        const std::string text =
            CheckFailureText(verdict, job.remoteName, localSize, remoteSize.value_or(0), digests.algorithm);
        PostErrorText(job, text, "Check");
        return false;
    }

    // Nothing of a rejected resume stays in the user's file.
    void CutBackToThePart()
    {
        if (ftruncate(local, job.resumeFrom) != 0)
            PostLocalFailure();
    }

    // After a failed call on the local file: its errno is the box's text.
    bool PostLocalFailure()
    {
        SetLastError(errno);
        PostError(job, "Local File");
        return false;
    }

    bool PostCheckFailure()
    {
        PostError(job, "Server");
        return false;
    }

    void PostFailure(FailedSide side)
    {
        if (job.direction == TransferDirection::Upload && side == FailedSide::Server)
            PreferTheServersReply();
        PostError(job, side == FailedSide::Server ? "Server" : "Local File");
    }

    // A server that stops taking an upload (a full disk, a quota) ends the
    // data connection and says why in its final reply, which tells the user
    // more than the broken connection: the reply is read before the box.
    // Without one (the control connection gone too, or silent) the failed
    // send's own reason stands.
    void PreferTheServersReply()
    {
        const int sendError = GetLastError();
        const std::string sendResponse = GetLastResponseInfo();
        if (!job.remoteFile->Close() && GetLastError() == ERROR_INTERNET_EXTENDED_ERROR)
            return;
        SetLastError(sendError, sendResponse);
    }

    void FinishLine(CopyEnd end, std::int64_t elapsedMs, std::int64_t copied)
    {
        switch (end) {
        case CopyEnd::Aborted: SetStatus(job, AbortedLine(job.direction, job.remoteName)); break;
        case CopyEnd::Failed:
        case CopyEnd::OutOfMemory: SetStatus(job, FailedLine(job.direction, job.remoteName)); break;
        case CopyEnd::Complete:
            SetStatus(job, FinalLine(job.direction, job.remoteName, elapsedMs,
                                     RateBytes(job.totalBytes, job.resumeFrom, copied)));
            break;
        }
        PostProgress(job, 0, Report::Always);
    }

    TransferJob& job;
    int local = -1;
};

void RunTransfer(TransferJob* job)
{
    Copier(*job).Run();
    // Closing twice is harmless; this covers the paths that never got to
    // the end of the copy.
    job->remoteFile->Close();
    wxQueueEvent(job->notifyWnd, new wxThreadEvent(WM_TRANSFER_DONE));
}

} // namespace

void DownloadThreadProc(TransferJob* job)
{
    RunTransfer(job);
}

void UploadThreadProc(TransferJob* job)
{
    RunTransfer(job);
}
