// One download or upload through the program's own copy loop (the transfer
// worker on its thread, the engine's active-mode data connection), without a
// window: the worker's events go to a sink that only waits for the end.
// Run it through bench/transfer_bench.sh, which times it beside curl.
//
//   transfer_bench download|upload <port> <user> <password> <remote name> <local path> [binary|ascii]
//
// Connects to the Domain text in BENCH_DOMAIN (as typed in the window's
// Domain box; 127.0.0.1 unless set), transfers in the type given (binary
// unless told) and prints the local file's bytes and the seconds taken, login included
// (as curl's time includes its login). With BENCH_RESUME=1 a download goes
// on from the end of an existing local part, an upload from the end of the
// remote part, by the window's rule and through the same worker, checks
// included.
#include "BenchDomain.h"
#include "platform/FtpConnection.h"
#include "platform/InternetException.h"
#include "platform/InternetFile.h"
#include "engine/TransferTypes.h"
#include "platform/InternetSession.h"
#include "transfer/TransferEvents.h"
#include "transfer/TransferJob.h"
#include "transfer/TransferRules.h"
#include "transfer/TransferWorker.h"

#include <wx/event.h>

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace {

// Stands in for the main window: takes the worker's events on the worker's
// own thread and remembers an error and the end.
class EndSink : public wxEvtHandler {
public:
    void QueueEvent(wxEvent* event) override
    {
        std::lock_guard<std::mutex> guard(lock);
        if (event->GetEventType() == WM_TRANSFER_ERROR)
            error = static_cast<wxThreadEvent*>(event)->GetString().utf8_string();
        if (event->GetEventType() == WM_TRANSFER_DONE)
            done = true;
        delete event;
        ended.notify_all();
    }

    // The error the worker reported, or empty.
    std::string WaitForEnd()
    {
        std::unique_lock<std::mutex> guard(lock);
        ended.wait(guard, [&] { return done; });
        return error;
    }

private:
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::string error;
};

constexpr const char* kUsage =
    "usage: transfer_bench download|upload <port> <user> <password> <remote name> <local path> [binary|ascii]";

int Fail(const std::string& what)
{
    std::fprintf(stderr, "transfer_bench: %s\n", what.c_str());
    return 1;
}

std::int64_t LocalSize(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

// Where BENCH_RESUME=1 resumes: the end of the part the window would offer
// Resume for (the local file of a download, the remote one of an upload); 0
// for a whole transfer.
std::int64_t ResumeOffset(FtpConnection& connection, bool upload, const std::string& remoteName,
                          const std::string& localPath, TransferType type)
{
    const char* resume = std::getenv("BENCH_RESUME");
    if (!resume || std::string(resume) != "1")
        return 0;
    std::uint64_t remoteSize = 0;
    const bool listed = connection.GetFileSize(remoteName, remoteSize);
    const std::int64_t localSize = LocalSize(localPath);
    std::optional<std::uint64_t> part;
    std::uint64_t whole = 0;
    if (upload && listed) {
        part = remoteSize;
        whole = static_cast<std::uint64_t>(localSize);
    } else if (!upload && localSize >= 0) {
        part = static_cast<std::uint64_t>(localSize);
        whole = remoteSize;
    }
    if (ExistingTargetQuestion(part, whole, type) != ExistingTarget::AskResume)
        return 0;
    return static_cast<std::int64_t>(*part);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 7 && argc != 8)
        return Fail(kUsage);
    const std::string type = argc == 8 ? argv[7] : "binary";
    if (type != "binary" && type != "ascii")
        return Fail(kUsage);
    const TransferType transferType = type == "ascii" ? FTP_TRANSFER_TYPE_ASCII : FTP_TRANSFER_TYPE_BINARY;
    const bool upload = std::string(argv[1]) == "upload";
    const auto port = static_cast<std::uint16_t>(std::atoi(argv[2]));
    const std::string remoteName = argv[5];
    const std::string localPath = argv[6];

    const auto start = std::chrono::steady_clock::now();
    InternetSession session;
    std::unique_ptr<FtpConnection> connection;
    try {
        connection = session.GetFtpConnection(BenchLoginRequest(port, argv[3], argv[4]));
    } catch (const InternetException& failure) {
        return Fail("login: " + failure.GetErrorMessage());
    }

    std::atomic<int> running{1};
    EndSink sink;
    TransferJob job;
    job.direction = upload ? TransferDirection::Upload : TransferDirection::Download;
    job.runningFlag = &running;
    job.notifyWnd = &sink;
    job.localPath = localPath;
    job.remoteName = remoteName;
    // A download's expected size only shapes the chunks and the bar; the
    // window takes it from the listing, here from the caller's file.
    job.totalBytes = upload ? LocalSize(localPath) : 1 << 30;
    const TransferType sentAs = upload ? UploadTransferType(transferType, connection->Protocol()) : transferType;
    job.transferType = sentAs;
    job.connection = connection.get();
    job.resumeFrom = ResumeOffset(*connection, upload, remoteName, localPath, sentAs);
    job.remoteFile = connection->OpenFile(remoteName, upload ? FileAccess::Write : FileAccess::Read, sentAs,
                                          static_cast<std::uint64_t>(job.resumeFrom));
    if (!job.remoteFile)
        return Fail("the remote file could not be opened");

    std::thread worker(upload ? UploadThreadProc : DownloadThreadProc, &job);
    const std::string error = sink.WaitForEnd();
    worker.join();
    job.remoteFile.reset();
    connection->Close();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!error.empty())
        return Fail("the transfer failed: " + error);
    std::printf("%lld %.3f\n", static_cast<long long>(LocalSize(localPath)), seconds);
    return 0;
}
