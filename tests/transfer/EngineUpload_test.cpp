// The binary upload the engine copies itself (read and sent in pieces), run
// by the transfer worker on its own thread without a window, against
// pyftpdlib, vsftpd and the scripted server on loopback: the bytes on the
// server, the progress reports, Abort, a server that stops reading, and a
// local file that another process cuts short.
#include "platform/FtpConnection.h"
#include "platform/InternetFile.h"
#include "engine/TransferTypes.h"
#include "platform/InternetSession.h"
#include "support/PyFtpServer.h"
#include "support/ScriptedFtpServer.h"
#include "support/VsftpdServer.h"
#include "transfer/TransferEvents.h"
#include "transfer/TransferJob.h"
#include "transfer/TransferWorker.h"
#include "sites/SiteAddress.h"

#include <gtest/gtest.h>
#include <wx/event.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <thread>

namespace {

// Stands in for the window: takes the worker's events on the worker's
// thread, keeps the progress figures and the error, and can act on a
// progress report before the worker goes on.
class WorkerSink : public wxEvtHandler {
public:
    void QueueEvent(wxEvent* event) override
    {
        std::unique_ptr<wxEvent> owned(event);
        const auto* threadEvent = static_cast<wxThreadEvent*>(event);
        std::lock_guard<std::mutex> guard(lock);
        if (event->GetEventType() == WM_TRANSFER_PROGRESS) {
            progress.push_back(threadEvent->GetExtraLong());
            if (onFirstProgress && progress.size() == 1)
                onFirstProgress();
        }
        if (event->GetEventType() == WM_TRANSFER_ERROR)
            errors.push_back(threadEvent->GetString().utf8_string() + " | " + threadEvent->GetPayload<std::string>());
        if (event->GetEventType() == WM_TRANSFER_DONE)
            done = true;
        ended.notify_all();
    }

    // False when the worker did not end within the bound.
    bool WaitForEnd(std::chrono::seconds bound = std::chrono::seconds(60))
    {
        std::unique_lock<std::mutex> guard(lock);
        return ended.wait_for(guard, bound, [&] { return done; });
    }

    std::function<void()> onFirstProgress;  // runs on the worker's thread
    std::vector<long> progress;
    std::vector<std::string> errors;  // "text | caption"

private:
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
};

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::independent_bits_engine<std::mt19937, 8, unsigned> generator(seed);
    std::string bytes(size, '\0');
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(generator()); });
    return bytes;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class EngineUpload : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vantrel-upload-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern));
        localDir = pattern;
        timeouts.connect = std::chrono::milliseconds(5000);
        timeouts.reply = std::chrono::milliseconds(2000);
        timeouts.dataAccept = std::chrono::milliseconds(5000);
    }

    void TearDown() override
    {
        if (worker.joinable())
            worker.join();
        job.remoteFile.reset();
        if (connection)
            connection->Close();
        std::filesystem::remove_all(localDir);
    }

    std::string Local(const std::string& name) const { return localDir + "/" + name; }

    void LogIn(std::uint16_t port, const std::string& user, const std::string& password)
    {
        session.SetTimeouts(timeouts);
        connection = session.GetFtpConnection(LoginRequestFor("127.0.0.1", port, user, password));
        ASSERT_TRUE(connection);
    }

    // The scripted server's replies from FEAT to the upload's EPRT.
    static void ScriptUploadStart(ScriptedFtpServer& server)
    {
        for (const char* reply : {"211-Features:\n SIZE\n211 End", "331 Password required for anna.", "230 Logged in.",
                                  "200 Type set to I.", "200 EPRT command successful."})
            server.Then(reply);
    }

    // Writes `bytes` to a local file and starts the worker's binary upload of it to `remoteName`.
    void StartUpload(const std::string& bytes, const std::string& remoteName)
    {
        const std::string path = Local("up.bin");
        std::ofstream(path, std::ios::binary) << bytes;
        // An hour old, so that a write during the upload moves the file's
        // modification time whatever the file system's clock grain.
        const timespec hourAgo{time(nullptr) - 3600, 0};
        const timespec times[2] = {hourAgo, hourAgo};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
        job.direction = TransferDirection::Upload;
        job.runningFlag = &running;
        job.notifyWnd = &sink;
        job.localPath = path;
        job.remoteName = remoteName;
        job.totalBytes = static_cast<std::int64_t>(bytes.size());
        job.transferType = FTP_TRANSFER_TYPE_BINARY;
        job.remoteFile = connection->OpenFile(remoteName, FileAccess::Write, FTP_TRANSFER_TYPE_BINARY);
        ASSERT_TRUE(job.remoteFile);
        worker = std::thread(UploadThreadProc, &job);
    }

    void WaitForEnd()
    {
        ASSERT_TRUE(sink.WaitForEnd()) << "the worker did not end";
        worker.join();
    }

    std::string Status()
    {
        std::lock_guard<std::mutex> guard(job.lock);
        return job.statusText;
    }

    // Each size uploaded and compared with what the server stored, and the
    // progress reports: one per chunk with the bytes so far, then 0.
    void UploadEverySize(const std::function<std::string(const std::string&)>& stored, const std::string& folder)
    {
        // A file of 1000 bytes is exactly one chunk; 20,000,001 bytes are
        // twenty chunks of 1,000,000 and one byte.
        const std::vector<std::pair<std::size_t, std::vector<long>>> cases = {
            {0, {0}}, {1, {1, 0}}, {1000, {1000, 0}}, {1001, {1000, 1001, 0}}, {20000001, {}}};
        for (const auto& [size, reports] : cases) {
            SCOPED_TRACE("size " + std::to_string(size));
            const std::string name = folder + "u" + std::to_string(size) + ".bin";
            const std::string bytes = RandomBytes(size, static_cast<unsigned>(size) + 3);
            sink.progress.clear();
            StartUpload(bytes, name);
            WaitForEnd();
            job.remoteFile.reset();
            EXPECT_TRUE(sink.errors.empty()) << sink.errors.front();
            EXPECT_TRUE(stored(name) == bytes) << "the stored file differs";
            if (!reports.empty())
                EXPECT_EQ(reports, sink.progress);
            else
                EXPECT_EQ(22u, sink.progress.size());
        }
    }

    std::string localDir;
    EngineTimeouts timeouts;
    InternetSession session;
    std::unique_ptr<FtpConnection> connection;
    std::atomic<int> running{1};
    WorkerSink sink;
    TransferJob job;
    std::thread worker;
};

TEST_F(EngineUpload, EverySizeArrivesWholeOnPyftpdlib)
{
    PyFtpServer server;
    LogIn(server.Port(), PyFtpServer::User, PyFtpServer::Password);
    UploadEverySize([&](const std::string& name) { return server.ReadFile(name); }, "");
}

TEST_F(EngineUpload, EverySizeArrivesWholeOnVsftpd)
{
    VsftpdServer server(VsftpdUploads::Accepted);
    LogIn(server.Port(), VsftpdServer::User, "vantrel@");
    UploadEverySize([&](const std::string& name) { return ReadAll(server.PathOf(name)); },
                    std::string(VsftpdServer::UploadFolder) + "/");
}

// As the window does it: the flag first, then the data connection shut
// down under the blocked send. A SIGPIPE from that call would end the
// whole test program.
TEST_F(EngineUpload, AbortEndsAnUploadTheServerStoppedReading)
{
    ScriptedFtpServer server;
    ScriptUploadStart(server);
    server.Then(ScriptedFtpServer::HoldData());
    server.Then(ScriptedFtpServer::Raw("426 Connection closed; transfer aborted.\r\n226 ABOR command successful.\r\n"));
    LogIn(server.Port(), "anna", "secret");
    std::thread aborter;
    sink.onFirstProgress = [&] {
        // A moment after the first report: by then the socket buffers are
        // full and the send waits.
        aborter = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            running = 0;
            job.remoteFile->Abort();
        });
    };
    StartUpload(RandomBytes(64 * 1000 * 1000, 5), "big.bin");
    WaitForEnd();
    aborter.join();
    EXPECT_TRUE(sink.errors.empty()) << sink.errors.front();
    EXPECT_EQ("Upload   big.bin   Aborted", Status());
    EXPECT_LT(sink.progress.size(), 64u) << "the upload went on to the end";
}

TEST_F(EngineUpload, AServerThatStopsReadingTimesOutAsTheServers)
{
    timeouts.dataIdle = std::chrono::milliseconds(1500);
    ScriptedFtpServer server;
    ScriptUploadStart(server);
    server.Then(ScriptedFtpServer::HoldData("426 Connection closed; transfer aborted."));
    LogIn(server.Port(), "anna", "secret");
    StartUpload(RandomBytes(64 * 1000 * 1000, 6), "big.bin");
    WaitForEnd();
    ASSERT_EQ(1u, sink.errors.size());
    EXPECT_EQ("The operation timed out | Upload - Server", sink.errors.front());
}

// The server resets the data connection while we send: the sends after
// the reset fail with EPIPE, whose SIGPIPE would end the program. A server
// that stops taking the file (its disk full) says why in its final reply,
// and the box gives its words; one that dies gives none.
struct DataReset {
    const char* finalReply;  // empty: the control connection closes too
    const char* error;
};

void PrintTo(const DataReset& reset, std::ostream* out)
{
    *out << reset.error;
}

class ServerResetsData : public EngineUpload, public testing::WithParamInterface<DataReset> {};

TEST_P(ServerResetsData, IsReportedAsTheServers)
{
    ScriptedFtpServer server;
    ScriptUploadStart(server);
    server.Then(ScriptedFtpServer::ResetData("", GetParam().finalReply));
    LogIn(server.Port(), "anna", "secret");
    StartUpload(RandomBytes(64 * 1000 * 1000, 8), "big.bin");
    WaitForEnd();
    ASSERT_EQ(1u, sink.errors.size());
    EXPECT_EQ(std::string(GetParam().error) + " | Upload - Server", sink.errors.front());
    EXPECT_EQ("Upload   big.bin   Failed", Status());
}

INSTANTIATE_TEST_SUITE_P(Resets, ServerResetsData,
                         testing::Values(DataReset{"", "The connection with the server was reset"},
                                         DataReset{"451 Failure writing to local file.",
                                                   "451 Failure writing to local file."}));

// Another process changes the file after the first chunk went out: the
// upload must not pass for complete with the server holding a cut-off or
// mixed copy.
struct LocalChange {
    const char* command;  // the file's path is added at the end
    const char* error;
};

void PrintTo(const LocalChange& change, std::ostream* out)
{
    *out << change.command;
}

class LocalFileChange : public EngineUpload, public testing::WithParamInterface<LocalChange> {};

TEST_P(LocalFileChange, MidUploadIsReported)
{
    PyFtpServer server;
    LogIn(server.Port(), PyFtpServer::User, PyFtpServer::Password);
    sink.onFirstProgress = [&] {
        EXPECT_EQ(0, std::system((GetParam().command + Local("up.bin")).c_str()));
    };
    StartUpload(RandomBytes(20 * 1000 * 1000, 7), "changed.bin");
    WaitForEnd();
    ASSERT_EQ(1u, sink.errors.size());
    EXPECT_EQ(std::string(GetParam().error) + " | Upload - Local File", sink.errors.front());
    EXPECT_EQ("Upload   changed.bin   Failed", Status());
}

constexpr const char* kChanged =
    "The local file was changed while it was being sent: the copy on the server may mix old and new";

INSTANTIATE_TEST_SUITE_P(Changes, LocalFileChange,
                         testing::Values(LocalChange{"truncate -s 3500000 ",
                                                     "The local file became shorter while it was being sent"},
                                         LocalChange{"printf new | dd status=none conv=notrunc bs=1 seek=15000000 of=",
                                                     kChanged},
                                         LocalChange{"printf appended >> ", kChanged}));

}  // namespace
