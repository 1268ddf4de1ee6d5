// Runs on the worker thread only. Talks to the window through queued events
// and to the window's thread through job->lock (statusText) and the atomic
// running flag.
#include "transfer/TransferWorker.h"

#include "ftp/LastErrorText.h"
#include "engine/InternetFile.h"
#include "engine/TransferTypes.h"
#include "platform/LastError.h"
#include "transfer/LineEndConverter.h"
#include "transfer/TransferEvents.h"
#include "transfer/TransferJob.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <new>
#include <optional>
#include <unistd.h>
#include <utility>
#include <vector>

wxDEFINE_EVENT(WM_TRANSFER_ERROR, wxThreadEvent);
wxDEFINE_EVENT(WM_TRANSFER_PROGRESS, wxThreadEvent);
wxDEFINE_EVENT(WM_TRANSFER_DONE, wxThreadEvent);

namespace {

std::string DirectionWord(TransferDirection direction)
{
    return direction == TransferDirection::Upload ? "Upload" : "Download";
}

void Post(TransferJob& job, const wxEventType& type)
{
    wxQueueEvent(job.notifyWnd, new wxThreadEvent(type));
}

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

// Takes the calling thread's last error as the box's text.
void PostError(TransferJob& job, const std::string& what)
{
    const std::string text = LastErrorText();
    const std::string caption = DirectionWord(job.direction) + " - " + what;
    {
        // A failure mid-copy comes after progress lines the window may still be reading.
        std::lock_guard<std::mutex> guard(job.lock);
        job.statusText = text;
        job.errorCaption = caption;
    }
    auto* event = new wxThreadEvent(WM_TRANSFER_ERROR);
    event->SetString(wxString::FromUTF8(text));
    event->SetPayload(caption);
    wxQueueEvent(job.notifyWnd, event);
}

void SetStatus(TransferJob& job, const std::string& line)
{
    std::lock_guard<std::mutex> guard(job.lock);
    job.statusText = line;
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

long ReadSome(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = read(fd, buffer, size);
        if (got >= 0 || errno != EINTR)
            return static_cast<long>(got);
    }
}

const char* SideCaption(FailedSide side)
{
    return side == FailedSide::Server ? "Server" : "Local File";
}

// How the copy loop ended.
enum class CopyEnd { Complete, Aborted, Failed };

class Copier {
public:
    explicit Copier(TransferJob& job)
        : job(job), converter(job.direction), convert(job.transferType == FTP_TRANSFER_TYPE_ASCII) {}
    ~Copier()
    {
        if (local >= 0)
            close(local);
    }
    Copier(const Copier&) = delete;
    Copier& operator=(const Copier&) = delete;

    void Run()
    {
        chunk = static_cast<std::size_t>(ChunkSize(job.totalBytes));
        if (!OpenLocal()) {
            PostError(job, "Local File");
            return;
        }
        std::vector<char> buffer;
        try {
            if (!engineCopy)
                buffer.resize(chunk);
        } catch (const std::bad_alloc&) {
            SetLastError(ENOMEM);
            PostError(job, "Memory");
            return;
        }
        FinishLine(Copy(buffer));
    }

private:
    bool OpenLocal()
    {
        // No O_TRUNC: an existing file is emptied only once the server has
        // sent something to put in its place (see EmptyLocalOnce).
        if (job.direction == TransferDirection::Download)
            local = open(job.localPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        else if (job.localFile >= 0)
            local = std::exchange(job.localFile, -1);  // opened by the window before STOR
        else
            local = open(job.localPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (local < 0) {
            SetLastError(errno);
            return false;
        }
        struct stat status {};
        if (fstat(local, &status) != 0) {
            SetLastError(errno);
            return false;
        }
        const bool regular = S_ISREG(status.st_mode);
        // A pipe or a device has nothing to empty, and ftruncate would refuse it.
        emptied = !regular;
        if (regular && job.direction == TransferDirection::Upload) {
            uploadSize = status.st_size;
            uploadModified = status.st_mtim;
        }
        // The one choice of the engine's own copy: bytes that need no
        // conversion go between the socket and a regular file without the
        // worker's buffer (down in clear by splice inside the kernel,
        // otherwise through a cache-sized buffer of the engine's).
        engineCopy = !convert && regular;
        return true;
    }

    bool Running() const { return job.runningFlag->load() == 1; }

    CopyEnd Copy(std::vector<char>& buffer)
    {
        start = std::chrono::steady_clock::now();
        while (Running()) {
            const long n = ReadChunk(buffer);
            // After Abort the window shuts a stalled data connection down;
            // the failed call that follows is the abort, not an error.
            if (n < 0 && !Running())
                break;
            if (n < 0) {
                PostFailure(readSide);
                return CopyEnd::Failed;
            }
            if (n == 0 && LocalFileChanged()) {
                PostError(job, "Local File");
                return CopyEnd::Failed;
            }
            if (n == 0)
                break;
            if (!WriteChunk(buffer.data(), static_cast<std::size_t>(n))) {
                if (!Running())
                    break;
                PostFailure(WriteSide());
                return CopyEnd::Failed;
            }
            copied += n;
            SetStatus(job, ProgressLine(job.direction, job.remoteName,
                                        SecondsLeft(ElapsedMs(), job.totalBytes, copied)));
            PostProgress(job, copied, Report::IfTheWindowKeepsUp);
        }
        if (!Running())
            return CopyEnd::Aborted;
        return FlushAndClose() ? CopyEnd::Complete : CopyEnd::Failed;
    }

    void PostFailure(FailedSide side)
    {
        if (job.direction == TransferDirection::Upload && side == FailedSide::Server)
            PreferTheServersReply();
        PostError(job, SideCaption(side));
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

    // The end a write failure comes from; a read failure's is readSide.
    FailedSide WriteSide() const
    {
        return job.direction == TransferDirection::Download ? FailedSide::LocalFile : FailedSide::Server;
    }

    long ReadChunk(std::vector<char>& buffer)
    {
        readSide = job.direction == TransferDirection::Download ? FailedSide::Server : FailedSide::LocalFile;
        if (engineCopy && job.direction == TransferDirection::Download) {
            const long n = job.remoteFile->ReceiveInto(local, chunk, readSide);
            emptied = emptied || n > 0;  // the engine emptied the file before the first byte
            return n;
        }
        if (job.direction == TransferDirection::Download)
            return job.remoteFile->Read(buffer.data(), chunk);
        if (engineCopy)
            return job.remoteFile->SendFrom(local, chunk, readSide);
        const long n = ReadSome(local, buffer.data(), chunk);
        if (n < 0)
            SetLastError(errno);
        return n;
    }

    bool WriteChunk(const char* data, std::size_t size)
    {
        if (convert) {
            const std::string_view converted = converter.Convert(std::string_view(data, size));
            return WriteOut(converted.data(), converted.size());
        }
        return WriteOut(data, size);
    }

    bool WriteOut(const char* data, std::size_t size)
    {
        if (engineCopy)
            return true;  // ReceiveInto or SendFrom has moved them
        if (job.direction == TransferDirection::Upload)
            return job.remoteFile->Write(data, size);
        if (EmptyLocalOnce() && WriteAll(local, data, size))
            return true;
        SetLastError(errno ? errno : EIO);
        return false;
    }

    // The converter may hold a last CR; the server's final reply decides
    // whether the transfer really succeeded (552 after STOR, say).
    bool FlushAndClose()
    {
        const std::string rest = converter.Finish();
        if (convert && !rest.empty() && !WriteOut(rest.data(), rest.size())) {
            PostError(job, SideCaption(WriteSide()));
            return false;
        }
        if (!job.remoteFile->Close()) {
            PostError(job, "Server");
            return false;
        }
        // An empty remote file replaces the local one only now it is known to be whole.
        if (job.direction == TransferDirection::Download && !EmptyLocalOnce()) {
            SetLastError(errno);
            PostError(job, "Local File");
            return false;
        }
        return true;
    }

    // An upload ends as a success only with the server holding one version
    // of the file. Another process that cut it short meanwhile shows in the
    // early end; one that rewrote or lengthened it, in the file's size and
    // modification time (a regular file's: a pipe has no version to keep).
    bool LocalFileChanged()
    {
        if (copied < uploadSize) {
            SetLastError(ERROR_LOCAL_FILE_SHRANK);
            return true;
        }
        if (!uploadModified)
            return false;
        struct stat now {};
        if (fstat(local, &now) == 0 && now.st_size == uploadSize && now.st_mtim.tv_sec == uploadModified->tv_sec &&
            now.st_mtim.tv_nsec == uploadModified->tv_nsec)
            return false;
        SetLastError(ERROR_LOCAL_FILE_CHANGED);
        return true;
    }

    // A download that fails before its first byte leaves the user's existing
    // file as it was; once bytes come, the file holds them and nothing else.
    bool EmptyLocalOnce()
    {
        if (emptied)
            return true;
        emptied = ftruncate(local, 0) == 0;
        return emptied;
    }

    void FinishLine(CopyEnd end)
    {
        switch (end) {
        case CopyEnd::Aborted: SetStatus(job, AbortedLine(job.direction, job.remoteName)); break;
        case CopyEnd::Failed: SetStatus(job, FailedLine(job.direction, job.remoteName)); break;
        case CopyEnd::Complete:
            SetStatus(job, FinalLine(job.direction, job.remoteName, ElapsedMs(), job.totalBytes));
            break;
        }
        PostProgress(job, 0, Report::Always);
    }

    std::int64_t ElapsedMs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    }

    TransferJob& job;
    LineEndConverter converter;
    const bool convert;
    int local = -1;
    std::size_t chunk = 0;
    bool engineCopy = false;  // set by OpenLocal
    std::int64_t uploadSize = 0;  // a regular file's size when an upload opened it
    std::optional<timespec> uploadModified;  // and its modification time
    FailedSide readSide = FailedSide::Server;
    bool emptied = false;
    std::int64_t copied = 0;
    std::chrono::steady_clock::time_point start;
};

void RunTransfer(TransferJob* job)
{
    Copier(*job).Run();
    // Closing twice is harmless; this covers the paths that never got to
    // the end of the copy.
    job->remoteFile->Close();
    Post(*job, WM_TRANSFER_DONE);
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
