// The engine against a scripted server: exact command transcripts, and every
// success with the failure that mirrors it.
#include "platform/FtpConnection.h"
#include "platform/InternetException.h"
#include "platform/InternetFile.h"
#include "platform/InternetSession.h"
#include "platform/LastError.h"
#include "support/LoopbackPort.h"
#include "support/RemoteFiles.h"
#include "support/ScriptedFtpServer.h"
#include "sites/SiteAddress.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

using Server = ScriptedFtpServer;
using Commands = std::vector<std::string>;

const char* const plainFeatures = "211-Features:\n SIZE\n211 End";
const char* const richFeatures = "211-Features:\n MLST type*;size*;modify*;\n UTF8\n211 End";

// Matches any "EPRT |1|127.0.0.1|<port>|" line, whose port changes every run.
std::string MaskPort(const std::string& command)
{
    if (command.rfind("EPRT |1|127.0.0.1|", 0) == 0)
        return "EPRT |1|127.0.0.1|*|";
    if (command.rfind("PORT 127,0,0,1,", 0) == 0)
        return "PORT 127,0,0,1,*";
    return command;
}

Commands Masked(const Commands& commands)
{
    Commands masked;
    for (const std::string& command : commands)
        masked.push_back(MaskPort(command));
    return masked;
}

class ScriptedEngine : public ::testing::Test {
protected:
    ScriptedEngine()
    {
        EngineTimeouts timeouts;
        timeouts.connect = std::chrono::milliseconds(2000);
        timeouts.reply = std::chrono::milliseconds(700);
        timeouts.dataAccept = std::chrono::milliseconds(700);
        timeouts.dataIdle = std::chrono::milliseconds(5000);
        session.SetTimeouts(timeouts);
    }

    std::unique_ptr<FtpConnection> Connect()
    {
        return session.GetFtpConnection(
            LoginRequestFor("127.0.0.1", server.Port(), "anna", "secret"));
    }

    // Logs in and opens `name` for a binary read; the server answers RETR
    // with `retr`. The connection stays with the fixture.
    std::unique_ptr<InternetFile> LogInAndRetrieve(const std::string& name, const Server::Step& retr)
    {
        retrieving = LogIn();
        server.Then("200 Type set to I.");
        server.Then("200 EPRT command successful.");
        server.Then(retr);
        return retrieving->OpenFile(name, FileAccess::Read, FTP_TRANSFER_TYPE_BINARY);
    }

    // A stalled data connection then fails in 300 ms instead of 5 s.
    void ShortenDataIdle()
    {
        EngineTimeouts timeouts = session.GetTimeouts();
        timeouts.dataIdle = std::chrono::milliseconds(300);
        session.SetTimeouts(timeouts);
    }

    std::unique_ptr<FtpConnection> LogIn(const char* features = plainFeatures)
    {
        server.Then(features);
        server.Then("331 Password required for anna.");
        server.Then("230 Logged in.");
        if (std::string(features).find("UTF8") != std::string::npos)
            server.Then("200 UTF8 mode on.");
        return Connect();
    }

    // The message of the login's exception; empty when the login succeeded.
    std::string LoginFailure()
    {
        try {
            Connect();
        } catch (const InternetException& error) {
            return error.GetErrorMessage();
        }
        return {};
    }

    // Commands after the login's FEAT, USER and PASS.
    Commands AfterLogin() const
    {
        Commands all = Masked(server.Commands());
        return Commands(all.begin() + 3, all.end());
    }

    Server server;
    std::unique_ptr<FtpConnection> retrieving;  // LogInAndRetrieve's
    InternetSession session;
};

TEST_F(ScriptedEngine, LoginSendsUserPassAndFeat)
{
    auto connection = LogIn();
    ASSERT_TRUE(connection);
    connection->Close();
    EXPECT_EQ(server.Commands(), (Commands{"FEAT", "USER anna", "PASS secret", "QUIT"}));
}

TEST_F(ScriptedEngine, LoginRefusedShowsTheServersReply)
{
    server.Then(plainFeatures);
    server.Then("331 Password required for anna.");
    server.Then("530 Login incorrect.");
    EXPECT_EQ(LoginFailure(), "530 Login incorrect.");
    EXPECT_EQ(server.Commands(), (Commands{"FEAT", "USER anna", "PASS secret", "QUIT"}));
}

TEST_F(ScriptedEngine, GreetingPrecededBy120IsAwaited)
{
    server.Greet(Server::Raw("120 Ready in a moment.\r\n220 Ready now.\r\n"));
    EXPECT_TRUE(LogIn());
}

TEST_F(ScriptedEngine, GreetingRefusal421IsReported)
{
    server.Greet(Server::Reply("421 Too many users."));
    EXPECT_EQ(LoginFailure(), "421 Too many users.");
    EXPECT_EQ(server.Commands(), Commands{});  // a server that says 421 is closing
}

TEST_F(ScriptedEngine, AccountRequestIsNotAnswered)
{
    server.Then("331 Password required.");
    server.Then("332 Need account for login.");
    EXPECT_EQ(LoginFailure(), "332 Need account for login.");
}

TEST_F(ScriptedEngine, MultiLineReplyEndsOnItsOwnCodeWithASpace)
{
    server.Greet(Server::Raw("220-Welcome\r\n220-more\r\n 220 not the end\r\n230 not ours\r\n220 Ready.\r\n"));
    EXPECT_TRUE(LogIn());
}

TEST_F(ScriptedEngine, GreetingCutByEndOfStreamIsAborted)
{
    server.Greet(Server::ReplyThenClose("220-Welcome\r\n220-to the"));
    EXPECT_EQ(LoginFailure(), "The server closed the connection");
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_CONNECTION_ABORTED);
}

// A server that quits with a command of ours unread resets the connection;
// for the user that is the server closing it, not a failure without a cause.
TEST_F(ScriptedEngine, AResetControlConnectionIsTheServerClosingIt)
{
    server.Greet(Server::Reply("220 Ready."));
    server.Then(plainFeatures);
    server.Then(Server::ResetControl());
    EXPECT_EQ(LoginFailure(), "The server closed the connection");
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_CONNECTION_RESET);
    EXPECT_EQ(server.Commands(), (std::vector<std::string>{"FEAT", "USER anna"}));
}

TEST_F(ScriptedEngine, EndlessContinuationLinesAreBounded)
{
    server.Greet(Server::EndlessContinuation());
    EXPECT_EQ(LoginFailure(), "The server's reply has too many lines");
}

TEST_F(ScriptedEngine, HugeReplyLineIsRefused)
{
    server.Greet(Server::HugeLine());
    EXPECT_EQ(LoginFailure(), "The server sent an over-long reply line");
}

TEST_F(ScriptedEngine, SilentServerHitsTheReplyDeadline)
{
    server.Greet(Server::Silence());
    try {
        Connect();
        FAIL() << "login succeeded";
    } catch (const InternetException& error) {
        EXPECT_EQ(error.GetErrorMessage(), "Timed out waiting for the server");
        EXPECT_EQ(error.GetErrorCode(), ERROR_INTERNET_TIMEOUT);
    }
}

TEST_F(ScriptedEngine, RefusedConnectionNamesHostAndPort)
{
    const std::uint16_t port = UnusedLoopbackPort();
    try {
        session.GetFtpConnection(LoginRequestFor("127.0.0.1", port, "anna", "secret"));
        FAIL() << "connected";
    } catch (const InternetException& error) {
        EXPECT_EQ(error.GetErrorMessage(), "Connection refused by 127.0.0.1 port " + std::to_string(port));
        EXPECT_EQ(error.GetErrorCode(), ERROR_INTERNET_CANNOT_CONNECT);
    }
}

TEST_F(ScriptedEngine, UnknownHostIsNamed)
{
    try {
        session.GetFtpConnection(LoginRequestFor("foo.invalid", 21, "anna", "secret"));
        FAIL() << "connected";
    } catch (const InternetException& error) {
        EXPECT_EQ(error.GetErrorMessage(), "Host not found: foo.invalid");
        EXPECT_EQ(error.GetErrorCode(), ERROR_INTERNET_NAME_NOT_RESOLVED);
    }
}

// What a login learns of a server shapes the next: its mode first, no TYPE
// for a listing in the default type, AUTH TLS at once for a server that
// spoke TLS, and a server that no longer does is left before USER, unless
// the user asked for clear text (ftp://).
TEST_F(ScriptedEngine, ServerNotesShapeTheNextLogin)
{
    auto first = LogIn();
    server.Then("200 Type set to A.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::SendData("-rw-r--r-- 1 u g 5 Jan 1 2024 a\r\n"));
    EXPECT_EQ(Listed(*first).count("a"), 1u);
    EXPECT_EQ(first->ServerNotes(), "tls=0 mode=active feat=+,size");
    first->Close();

    struct Case {
        const char* what;
        const char* notes;
        TlsPolicy tls;
        std::vector<Server::Step> steps;
        Commands sent;
        const char* failure;  // empty: logged in
    };
    const Case cases[] = {
        {"plain, passive remembered", "tls=0 mode=passive feat=-", TlsPolicy::WhenOffered,
         {Server::Reply(plainFeatures), Server::Reply("331 Password required."), Server::Reply("230 Logged in."),
          Server::Passive("229 Entering Extended Passive Mode (|||{port}|)"), Server::SendData("")},
         {"FEAT", "USER anna", "PASS secret", "EPSV", "LIST", "QUIT"}, ""},
        {"spoke TLS, now refuses it", "tls=1 mode=active feat=-,tls", TlsPolicy::WhenOffered,
         {Server::Reply("500 Unknown command.")}, {"AUTH TLS"}, "spoke TLS at earlier logins"},
        {"spoke TLS, clear asked for", "tls=1 mode=active feat=-,tls", TlsPolicy::Declined,
         {Server::Reply(plainFeatures), Server::Reply("331 Password required."), Server::Reply("230 Logged in."),
          Server::Reply("200 EPRT command successful."), Server::SendData("")},
         {"FEAT", "USER anna", "PASS secret", "EPRT |1|127.0.0.1|*|", "LIST", "QUIT"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Server next;
        for (const Server::Step& step : c.steps)
            next.Then(step);
        FtpLoginRequest request = LoginRequestFor("127.0.0.1", next.Port(), "anna", "secret");
        request.tls = c.tls;
        request.serverNotes = c.notes;
        try {
            auto connection = session.GetFtpConnection(request);
            std::vector<FtpListEntry> entries;
            EXPECT_TRUE(connection->List(entries));
            connection->Close();
            EXPECT_STREQ(c.failure, "");
        } catch (const InternetException& error) {
            EXPECT_STRNE(c.failure, "") << error.GetErrorMessage();
            EXPECT_NE(error.GetErrorMessage().find(c.failure), std::string::npos) << error.GetErrorMessage();
        }
        EXPECT_EQ(Masked(next.Commands()), c.sent);
    }
}

TEST_F(ScriptedEngine, Utf8OptionOnlyWhenFeatListsIt)
{
    LogIn(richFeatures)->Close();
    EXPECT_EQ(server.Commands(), (Commands{"FEAT", "USER anna", "PASS secret", "OPTS UTF8 ON", "QUIT"}));
}

TEST_F(ScriptedEngine, FeatRefusalIsNoLoginFailure)
{
    auto connection = LogIn("500 FEAT not understood.");
    ASSERT_TRUE(connection);
    server.Then("200 EPRT ok.");
    server.Then("200 Type A.");
    server.Then(Server::SendData("-rw-r--r-- 1 u g 5 Jan 1 2024 a\r\n"));
    EXPECT_EQ(Listed(*connection).at("a").size, 5u);
    EXPECT_EQ(server.Commands().back(), "LIST");
}

TEST_F(ScriptedEngine, LineBreaksAndNulInNamesAreRefusedUnsent)
{
    const std::string bad[] = {std::string("a\r\nDELE b"), std::string("a\nb"), std::string("a\0b", 3)};
    // A user or password that would smuggle a command in is refused before
    // the connection is even made, so the login below is the server's first.
    for (const std::string& name : bad)
        for (const auto& [user, password] :
             {std::pair(name, std::string("secret")), std::pair(std::string("anna"), name)}) {
            try {
                session.GetFtpConnection(LoginRequestFor("127.0.0.1", server.Port(), user, password));
                ADD_FAILURE() << "a login with a line break or NUL went through";
            } catch (const InternetException& error) {
                EXPECT_EQ("A name may not contain a line break or a NUL character", error.GetErrorMessage());
            }
        }
    auto connection = LogIn();
    EXPECT_EQ(Masked(server.Commands()), (Commands{"FEAT", "USER anna", "PASS secret"}));
    for (const std::string& name : bad) {
        EXPECT_FALSE(connection->SetCurrentDirectory(name));
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_INVALID_ARGUMENT);
        EXPECT_FALSE(connection->Remove(name));
        EXPECT_FALSE(connection->Rename("old", name));
        EXPECT_FALSE(connection->OpenFile(name, FileAccess::Read, FTP_TRANSFER_TYPE_BINARY));
    }
    EXPECT_TRUE(AfterLogin().empty());
}

TEST_F(ScriptedEngine, NamesTravelAsBytes)
{
    auto connection = LogIn();
    server.Then("250 CWD ok.");
    EXPECT_TRUE(connection->SetCurrentDirectory("Gr\xfc\xdf" "e \xe2\x82\xac"));
    EXPECT_EQ(AfterLogin(), (Commands{"CWD Gr\xfc\xdf" "e \xe2\x82\xac"}));
}

TEST_F(ScriptedEngine, ServerErrorIsTheLastResponse)
{
    auto connection = LogIn();
    server.Then("550-No such file\n550 or directory.");
    EXPECT_FALSE(connection->SetCurrentDirectory("nowhere"));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetLastResponseInfo(), "550-No such file\n550 or directory.");
}

struct PwdCase {
    const char* reply;
    bool ok;
    const char* path;
};

TEST_F(ScriptedEngine, PwdReadsTheQuotedPath)
{
    const PwdCase cases[] = {
        {"257 \"/home/anna\" is the current directory.", true, "/home/anna"},
        {"257 \"/a\"\"b\" is current.", true, "/a\"b"},
        {"257 \"/\"", true, "/"},
        {"257 /home/anna is current.", false, ""},
        {"257 \"/unterminated", false, ""},
        {"550 PWD not allowed.", false, ""},
    };
    auto connection = LogIn();
    for (const PwdCase& c : cases) {
        server.Then(c.reply);
        std::string path;
        EXPECT_EQ(connection->GetCurrentDirectory(path), c.ok) << c.reply;
        if (c.ok) {
            EXPECT_EQ(path, c.path) << c.reply;
        }
    }
}

TEST_F(ScriptedEngine, RenameSendsRntoOnlyAfter350)
{
    auto connection = LogIn();
    server.Then("350 Ready for RNTO.");
    server.Then("250 Renamed.");
    EXPECT_TRUE(connection->Rename("old", "new"));
    server.Then("550 old: no such file.");
    EXPECT_FALSE(connection->Rename("old", "new"));
    EXPECT_EQ(GetLastResponseInfo(), "550 old: no such file.");
    EXPECT_EQ(AfterLogin(), (Commands{"RNFR old", "RNTO new", "RNFR old"}));
}

TEST_F(ScriptedEngine, DirectoryAndFileCommands)
{
    auto connection = LogIn();
    server.Then("257 \"new\" created.");
    server.Then("250 Removed.");
    server.Then("250 Deleted.");
    server.Then("550 Permission denied.");
    EXPECT_TRUE(connection->CreateDirectory("new"));
    EXPECT_TRUE(connection->RemoveDirectory("old"));
    EXPECT_TRUE(connection->Remove("file"));
    EXPECT_FALSE(connection->Remove("file"));
    EXPECT_EQ(AfterLogin(), (Commands{"MKD new", "RMD old", "DELE file", "DELE file"}));
}

// Reads the whole file; -1 when a Read failed.
long ReadAll(InternetFile& file, std::string& contents)
{
    std::vector<char> buffer(1000000);
    for (;;) {
        const long n = file.Read(buffer.data(), buffer.size());
        if (n <= 0)
            return n;
        contents.append(buffer.data(), static_cast<std::size_t>(n));
    }
}

TEST_F(ScriptedEngine, RetrievesAndSendsTypeOnlyOnChange)
{
    auto connection = LogIn();
    const std::string payload(300000, 'z');
    for (int i = 0; i < 2; ++i) {
        if (i == 0)
            server.Then("200 Type set to I.");
        server.Then("200 EPRT command successful.");
        server.Then(Server::SendData(payload));
        auto file = connection->OpenFile("big.bin", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY);
        ASSERT_TRUE(file);
        std::string contents;
        EXPECT_EQ(ReadAll(*file, contents), 0);
        EXPECT_EQ(contents, payload);
        EXPECT_TRUE(file->Close());
    }
    server.Then("200 Type set to A.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::SendData("text\r\n"));
    auto file = connection->OpenFile("a.txt", FileAccess::Read, FTP_TRANSFER_TYPE_ASCII);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Close());
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE I", "EPRT |1|127.0.0.1|*|", "RETR big.bin", "EPRT |1|127.0.0.1|*|",
                                      "RETR big.bin", "TYPE A", "EPRT |1|127.0.0.1|*|", "RETR a.txt"}));
}

// A socket hands over a few kilobytes at a time; the copy loop's chunks (and
// so its progress reports) must still be the size it asked for.
TEST_F(ScriptedEngine, AReadFillsItsBufferUnlessTheFileEnds)
{
    auto file = LogInAndRetrieve("big.bin", Server::SendData(std::string(2500000, 'q')));
    ASSERT_TRUE(file);
    std::vector<char> buffer(1000000);
    std::vector<long> reads;
    for (long n = 1; n > 0;)
        reads.push_back(n = file->Read(buffer.data(), buffer.size()));
    EXPECT_EQ(reads, (std::vector<long>{1000000, 1000000, 500000, 0}));
    EXPECT_TRUE(file->Close());
}

TEST_F(ScriptedEngine, BytesBeforeAStalledDataConnectionTimesOutAreKept)
{
    ShortenDataIdle();
    auto file = LogInAndRetrieve("stall", Server::StallData("first bytes"));
    ASSERT_TRUE(file);
    std::vector<char> buffer(1000);
    ASSERT_EQ(file->Read(buffer.data(), buffer.size()), 11);
    EXPECT_EQ(std::string(buffer.data(), 11), "first bytes");
    EXPECT_EQ(file->Read(buffer.data(), buffer.size()), -1);
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_TIMEOUT);
}

// A local file in the test's temporary folder, read back whole.
class LocalFile {
public:
    LocalFile()
    {
        char pattern[] = "/tmp/vantrel-held-XXXXXX";
        fd = mkstemp(pattern);
        path = pattern;
    }
    ~LocalFile()
    {
        close(fd);
        unlink(path.c_str());
    }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    std::string Contents() const
    {
        std::string contents(static_cast<std::size_t>(lseek(fd, 0, SEEK_END)), '\0');
        EXPECT_EQ(pread(fd, contents.data(), contents.size(), 0), static_cast<ssize_t>(contents.size()));
        return contents;
    }

    int fd = -1;
    std::string path;
};

// ReceiveInto (socket to file inside the kernel) keeps Read's rules: whole
// chunks unless the file ends, bytes before a failure written first; and it
// empties the file only when the first byte is there to replace it.
TEST_F(ScriptedEngine, ReceiveIntoFillsItsChunkAndReplacesTheFileByteForByte)
{
    std::string remote(2500000, '\0');
    for (std::size_t i = 0; i < remote.size(); ++i)
        remote[i] = static_cast<char>(i * 7 + i / 997);
    auto file = LogInAndRetrieve("big.bin", Server::SendData(remote));
    ASSERT_TRUE(file);
    LocalFile local;
    const std::string old(3000000, 'o');  // longer than the remote: no tail may stay
    ASSERT_EQ(pwrite(local.fd, old.data(), old.size(), 0), static_cast<ssize_t>(old.size()));
    std::vector<long> moved;
    FailedSide side = FailedSide::LocalFile;
    for (long n = 1; n > 0;)
        moved.push_back(n = file->ReceiveInto(local.fd, 1000000, side));
    EXPECT_EQ(moved, (std::vector<long>{1000000, 1000000, 500000, 0}));
    EXPECT_TRUE(file->Close());
    EXPECT_TRUE(local.Contents() == remote) << "the file is not the remote's bytes";
}

TEST_F(ScriptedEngine, ReceiveIntoLeavesTheFileAsItWasWhenNoByteCame)
{
    auto file = LogInAndRetrieve("f", Server::SendData("", "426 Connection closed; transfer aborted."));
    ASSERT_TRUE(file);
    LocalFile local;
    ASSERT_EQ(pwrite(local.fd, "kept", 4, 0), 4);
    FailedSide side = FailedSide::LocalFile;
    EXPECT_EQ(file->ReceiveInto(local.fd, 1000000, side), 0);
    EXPECT_FALSE(file->Close());
    EXPECT_EQ(local.Contents(), "kept");
}

TEST_F(ScriptedEngine, ReceiveIntoWritesTheBytesBeforeAStallAndTheStallTimesOut)
{
    ShortenDataIdle();
    auto file = LogInAndRetrieve("stall", Server::StallData("first bytes"));
    ASSERT_TRUE(file);
    LocalFile local;
    FailedSide side = FailedSide::LocalFile;
    ASSERT_EQ(file->ReceiveInto(local.fd, 1000, side), 11);
    EXPECT_EQ(local.Contents(), "first bytes");
    EXPECT_EQ(file->ReceiveInto(local.fd, 1000, side), -1);
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_TIMEOUT);
    EXPECT_EQ(side, FailedSide::Server);
}

TEST_F(ScriptedEngine, ReceiveIntoAFileThatCannotBeWrittenFailsOnTheLocalSideForGood)
{
    auto file = LogInAndRetrieve("f", Server::SendData("some bytes"));
    ASSERT_TRUE(file);
    LocalFile local;
    const int readOnly = open(local.path.c_str(), O_RDONLY | O_CLOEXEC);
    FailedSide side = FailedSide::Server;
    EXPECT_EQ(file->ReceiveInto(readOnly, 1000, side), -1);
    EXPECT_EQ(GetLastError(), EINVAL) << "Linux's answer to emptying a file not open for writing";
    EXPECT_EQ(side, FailedSide::LocalFile);
    EXPECT_EQ(file->ReceiveInto(local.fd, 1000, side), -1) << "bytes left in the pipe would be lost silently";
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    close(readOnly);
}

TEST_F(ScriptedEngine, AbortUnblocksReceiveInto)
{
    auto file = LogInAndRetrieve("stall", Server::StallData(""));
    ASSERT_TRUE(file);
    LocalFile local;
    auto receive = std::async(std::launch::async, [&] {
        FailedSide side = FailedSide::LocalFile;
        const long n = file->ReceiveInto(local.fd, 1000, side);
        return std::make_pair(n, GetLastError());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    file->Abort();
    ASSERT_EQ(receive.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(receive.get(), std::make_pair(-1L, static_cast<int>(ERROR_INTERNET_CONNECTION_ABORTED)));
}

TEST_F(ScriptedEngine, PreliminaryReplyAfterTheDataConnectionIsAccepted)
{
    auto connection = LogIn();
    server.Then("200 Type set to I.");
    server.Then("200 EPRT command successful.");
    Server::Step step = Server::SendData("early");
    step.connectBeforePreliminary = true;
    server.Then(step);
    auto file = connection->OpenFile("f", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(file);
    std::string contents;
    EXPECT_EQ(ReadAll(*file, contents), 0);
    EXPECT_EQ(contents, "early");
    EXPECT_TRUE(file->Close());
}

TEST_F(ScriptedEngine, RefusedEprtFallsBackToPortForGood)
{
    auto connection = LogIn();
    server.Then("200 Type set to I.");
    server.Then("500 EPRT not understood.");
    server.Then("200 PORT command successful.");
    server.Then(Server::SendData("one"));
    server.Then("200 PORT command successful.");
    server.Then(Server::SendData("two"));
    for (const char* name : {"one", "two"}) {
        auto file = connection->OpenFile(name, FileAccess::Read, FTP_TRANSFER_TYPE_BINARY);
        ASSERT_TRUE(file);
        std::string contents;
        EXPECT_EQ(ReadAll(*file, contents), 0);
        EXPECT_EQ(contents, name);
        EXPECT_TRUE(file->Close());
    }
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE I", "EPRT |1|127.0.0.1|*|", "PORT 127,0,0,1,*", "RETR one",
                                      "PORT 127,0,0,1,*", "RETR two"}));
}

TEST_F(ScriptedEngine, EprtErrorOtherThanUnknownIsReported)
{
    auto connection = LogIn();
    server.Then("200 Type set to I.");
    server.Then("421 Service not available.");
    EXPECT_FALSE(connection->OpenFile("f", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY));
    EXPECT_EQ(GetLastResponseInfo(), "421 Service not available.");
}

TEST_F(ScriptedEngine, RetrRefusedReportsTheReply)
{
    auto connection = LogIn();
    server.Then("200 Type set to I.");
    server.Then("200 EPRT command successful.");
    server.Then("550 f: No such file or directory.");
    EXPECT_FALSE(connection->OpenFile("f", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetLastResponseInfo(), "550 f: No such file or directory.");
}

TEST_F(ScriptedEngine, DataConnectionFromAnotherAddressIsRefused)
{
    auto connection = LogIn();
    server.Then("200 Type set to I.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::ConnectFromOther("127.0.0.2"));
    EXPECT_FALSE(connection->OpenFile("f", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
}

TEST_F(ScriptedEngine, DataConnectionThatNeverComesTimesOut)
{
    auto connection = LogIn();
    server.Then("200 Type set to I.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::NeverConnect());
    EXPECT_FALSE(connection->OpenFile("f", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY));
    // Passive mode was tried too (the script refuses EPSV and PASV); the
    // message names both.
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetLastResponseInfo(), "No data connection in active mode (Timed out waiting for the server's data "
                                     "connection) nor in passive mode (502 Not scripted.)");
    server.Then("250 CWD ok.");
    EXPECT_TRUE(connection->SetCurrentDirectory("after"));
}

TEST_F(ScriptedEngine, StoreAcceptedThenRefusedWith552)
{
    auto connection = LogIn();
    server.Then("200 Type set to I.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::ReceiveData("552 Disk quota exceeded."));
    auto file = connection->OpenFile("up.bin", FileAccess::Write, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Write("payload", 7));
    EXPECT_FALSE(file->Close());
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetLastResponseInfo(), "552 Disk quota exceeded.");
    EXPECT_EQ(server.ReceivedData(), "payload");
}

TEST_F(ScriptedEngine, StoreCompletes)
{
    auto connection = LogIn();
    server.Then("200 Type set to I.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::ReceiveData());
    auto file = connection->OpenFile("up.bin", FileAccess::Write, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(file);
    const std::string payload(2000000, '\x7f');
    EXPECT_TRUE(file->Write(payload.data(), payload.size()));
    EXPECT_TRUE(file->Close());
    EXPECT_EQ(server.ReceivedData(), payload);
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE I", "EPRT |1|127.0.0.1|*|", "STOR up.bin"}));
}

TEST_F(ScriptedEngine, OpenFileKeepsOtherOperationsOut)
{
    auto file = LogInAndRetrieve("f", Server::SendData("x"));
    ASSERT_TRUE(file);
    std::string path;
    EXPECT_FALSE(retrieving->GetCurrentDirectory(path));
    EXPECT_EQ(GetLastError(), ERROR_FTP_TRANSFER_IN_PROGRESS);
    EXPECT_FALSE(retrieving->SetCurrentDirectory("d"));
    EXPECT_FALSE(retrieving->OpenFile("g", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY));
    EXPECT_EQ(GetLastError(), ERROR_FTP_TRANSFER_IN_PROGRESS);
    std::vector<FtpListEntry> entries;
    EXPECT_FALSE(retrieving->List(entries));
    EXPECT_EQ(GetLastError(), ERROR_FTP_TRANSFER_IN_PROGRESS);
    std::string contents;
    EXPECT_EQ(ReadAll(*file, contents), 0);
    EXPECT_TRUE(file->Close());
    server.Then("257 \"/\" is current.");
    EXPECT_TRUE(retrieving->GetCurrentDirectory(path));
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE I", "EPRT |1|127.0.0.1|*|", "RETR f", "PWD"}));
}

TEST_F(ScriptedEngine, AbortUnblocksAStalledReadAndTheConnectionRecovers)
{
    auto connection = LogIn();
    server.Then("200 Type set to I.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::StallData("first bytes"));
    server.Then(Server::Raw("426 Connection closed; transfer aborted.\r\n226 ABOR command successful.\r\n"));
    auto file = connection->OpenFile("stall", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(file);
    auto reading = std::async(std::launch::async, [&file] {
        std::string contents;
        return ReadAll(*file, contents);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    file->Abort();
    ASSERT_EQ(reading.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(reading.get(), -1);
    EXPECT_FALSE(file->Close());
    EXPECT_EQ(GetLastResponseInfo(), "426 Connection closed; transfer aborted.");
    server.Then("257 \"/\" is current.");
    std::string path;
    EXPECT_TRUE(connection->GetCurrentDirectory(path));
    EXPECT_EQ(path, "/");
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE I", "EPRT |1|127.0.0.1|*|", "RETR stall", "ABOR", "PWD"}));
}

TEST_F(ScriptedEngine, ListingUsesMlsdWhenFeatListsIt)
{
    auto connection = LogIn(richFeatures);
    server.Then("200 Type set to A.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::SendData("type=file;size=3; a\r\n"));
    EXPECT_EQ(Listed(*connection).at("a").size, 3u);
    const Commands all = Masked(server.Commands());
    EXPECT_EQ(Commands(all.begin() + 4, all.end()), (Commands{"TYPE A", "EPRT |1|127.0.0.1|*|", "MLSD"}));
}

// The window waits for a listing: one that comes slower than the bound over
// a whole window is cut off, while one that keeps the pace is whole.
TEST_F(ScriptedEngine, ATricklingListingIsCutOffAndOneAtThePaceIsWhole)
{
    EngineTimeouts timeouts = session.GetTimeouts();
    timeouts.listingWindow = std::chrono::milliseconds(300);
    timeouts.listingWindowBytes = 20;
    session.SetTimeouts(timeouts);
    auto connection = LogIn();
    const std::string line = "-rw-r--r-- 1 u g 5 Jan 1 2024 a\r\n";
    server.Then("200 Type set to A.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::TrickleData(line + line, std::chrono::milliseconds(2)));
    EXPECT_EQ(Listed(*connection).count("a"), 1u);

    server.Then("200 EPRT command successful.");
    server.Then(Server::TrickleData(std::string(200, ' ') + line, std::chrono::milliseconds(50)));
    const auto start = std::chrono::steady_clock::now();
    std::vector<FtpListEntry> entries;
    EXPECT_FALSE(connection->List(entries));
    EXPECT_EQ(GetLastError(), ERROR_FTP_TOO_SLOW);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(ScriptedEngine, ListingUsesListWithoutMlsd)
{
    auto connection = LogIn();
    server.Then("200 Type set to A.");
    server.Then("200 EPRT command successful.");
    server.Then(Server::SendData("", "450 No files found."));
    std::vector<FtpListEntry> entries;
    EXPECT_FALSE(connection->List(entries));
    EXPECT_EQ(GetLastResponseInfo(), "450 No files found.");
    EXPECT_EQ(AfterLogin(), (Commands{"TYPE A", "EPRT |1|127.0.0.1|*|", "LIST"}));
}

TEST_F(ScriptedEngine, CloseSendsQuitOnceAndTwiceIsHarmless)
{
    auto connection = LogIn();
    connection->Close();
    connection->Close();
    EXPECT_EQ(AfterLogin(), (Commands{"QUIT"}));
    EXPECT_FALSE(connection->SetCurrentDirectory("x"));
}

TEST_F(ScriptedEngine, CommandAfterTheServerDroppedFails)
{
    auto connection = LogIn();
    server.Then(Server::ReplyThenClose("421 Timeout.\r\n"));
    EXPECT_FALSE(connection->SetCurrentDirectory("a"));
    EXPECT_FALSE(connection->SetCurrentDirectory("b"));
    EXPECT_NE(GetLastError(), 0);
}

}  // namespace
