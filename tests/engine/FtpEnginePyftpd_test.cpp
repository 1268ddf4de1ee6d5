// The engine against a real server: Debian's pyftpdlib on loopback.
#include "platform/FtpConnection.h"
#include "platform/InternetException.h"
#include "platform/InternetFile.h"
#include "platform/InternetSession.h"
#include "platform/LastError.h"
#include "support/LocalFiles.h"
#include "support/PyFtpServer.h"
#include "support/RemoteFiles.h"
#include "sites/SiteAddress.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

class RealServer : public ::testing::Test {
protected:
    explicit RealServer(PyFtpServer::Options options = {}) : server(options)
    {
        char pattern[] = "/tmp/vantrel-local-XXXXXX";
        local = ::mkdtemp(pattern);
        EngineTimeouts timeouts;
        timeouts.dataIdle = std::chrono::milliseconds(10000);
        session.SetTimeouts(timeouts);
    }
    ~RealServer() override { std::filesystem::remove_all(local); }

    std::unique_ptr<FtpConnection> LogIn(const char* user = PyFtpServer::User,
                                         const char* password = PyFtpServer::Password)
    {
        return session.GetFtpConnection(
            LoginRequestFor("127.0.0.1", server.Port(), user, password));
    }

    PyFtpServer server;
    InternetSession session;
    std::string local;
};

TEST_F(RealServer, LoginAndPwd)
{
    auto connection = LogIn();
    std::string directory;
    EXPECT_TRUE(connection->GetCurrentDirectory(directory));
    EXPECT_EQ(directory, "/");
}

TEST_F(RealServer, WrongPasswordIsTheServersText)
{
    try {
        LogIn(PyFtpServer::User, "wrong");
        FAIL() << "logged in";
    } catch (const InternetException& error) {
        EXPECT_EQ(error.GetErrorMessage(), "530 Authentication failed.");
        EXPECT_EQ(error.GetErrorCode(), ERROR_INTERNET_EXTENDED_ERROR);
    }
}

TEST_F(RealServer, ChangeDirectoryAndBack)
{
    server.MakeDirectory("sub/deeper");
    auto connection = LogIn();
    EXPECT_TRUE(connection->SetCurrentDirectory("sub/deeper"));
    std::string directory;
    EXPECT_TRUE(connection->GetCurrentDirectory(directory));
    EXPECT_EQ(directory, "/sub/deeper");
    EXPECT_FALSE(connection->SetCurrentDirectory("missing"));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetLastResponseInfo().substr(0, 4), "550 ");
    EXPECT_TRUE(connection->SetCurrentDirectory(".."));
    EXPECT_TRUE(connection->GetCurrentDirectory(directory));
    EXPECT_EQ(directory, "/sub");
}

TEST_F(RealServer, MlsdListingNamesAndKinds)
{
    server.WriteFile("a.txt", "hello");
    server.MakeDirectory("folder");
    auto connection = LogIn();
    const auto entries = Listed(*connection);
    EXPECT_EQ(entries.at("a.txt").kind, FtpEntryKind::File);
    EXPECT_EQ(entries.at("a.txt").size, 5u);
    EXPECT_EQ(entries.at("folder").kind, FtpEntryKind::Directory);
}

TEST_F(RealServer, StoreAndRetrieveAreByteExact)
{
    const std::string payload = Binary(3000001);
    auto connection = LogIn();
    auto upload = connection->OpenFile("blob.bin", FileAccess::Write, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(upload);
    for (std::size_t at = 0; at < payload.size(); at += 1000000)
        ASSERT_TRUE(upload->Write(payload.data() + at, std::min<std::size_t>(1000000, payload.size() - at)));
    ASSERT_TRUE(upload->Close());
    EXPECT_EQ(server.ReadFile("blob.bin"), payload);

    auto download = connection->OpenFile("blob.bin", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(download);
    std::string contents;
    std::vector<char> buffer(1000000);
    for (long n; (n = download->Read(buffer.data(), buffer.size())) > 0;)
        contents.append(buffer.data(), static_cast<std::size_t>(n));
    EXPECT_TRUE(download->Close());
    EXPECT_EQ(contents, payload);
}

TEST_F(RealServer, ReaderMayNotStore)
{
    auto connection = LogIn(PyFtpServer::ReaderUser, PyFtpServer::ReaderPassword);
    EXPECT_FALSE(connection->OpenFile("x", FileAccess::Write, FTP_TRANSFER_TYPE_BINARY));
    EXPECT_EQ(GetLastResponseInfo().substr(0, 4), "550 ");
    EXPECT_FALSE(server.Exists("x"));
    std::string directory;
    EXPECT_TRUE(connection->GetCurrentDirectory(directory));
}

TEST_F(RealServer, MissingFileCannotBeRetrieved)
{
    auto connection = LogIn();
    EXPECT_FALSE(connection->OpenFile("absent", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY));
    EXPECT_EQ(GetLastResponseInfo().substr(0, 4), "550 ");
}

TEST_F(RealServer, DeleteMakeRemoveAndRename)
{
    server.WriteFile("old.txt", "x");
    auto connection = LogIn();
    EXPECT_TRUE(connection->Rename("old.txt", "new.txt"));
    EXPECT_TRUE(server.Exists("new.txt"));
    EXPECT_FALSE(connection->Rename("old.txt", "again.txt"));
    EXPECT_TRUE(connection->Remove("new.txt"));
    EXPECT_FALSE(server.Exists("new.txt"));
    EXPECT_FALSE(connection->Remove("new.txt"));
    EXPECT_TRUE(connection->CreateDirectory("made"));
    EXPECT_TRUE(std::filesystem::is_directory(server.PathOf("made")));
    EXPECT_FALSE(connection->CreateDirectory("made"));
    EXPECT_TRUE(connection->RemoveDirectory("made"));
    EXPECT_FALSE(server.Exists("made"));
    EXPECT_FALSE(connection->RemoveDirectory("made"));
}

// The engine moves the bytes as the server sends them; an ASCII file's line
// ends are the window's to convert.
TEST_F(RealServer, RetrieveInBothTypesAndAMissingFile)
{
    const std::string text = "one\r\ntwo\r\nthree\r\n";
    server.WriteFile("t.txt", text);
    auto connection = LogIn();
    EXPECT_EQ(Download(*connection, "t.txt"), text);
    EXPECT_EQ(Download(*connection, "t.txt", FTP_TRANSFER_TYPE_ASCII), text);
    EXPECT_FALSE(connection->OpenFile("absent", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
}

class LockedServer : public RealServer {
protected:
    LockedServer() : RealServer(PyFtpServer::Options{true, false}) {}
};

TEST_F(LockedServer, LockedDirectoryIsRefused)
{
    auto connection = LogIn();
    EXPECT_FALSE(connection->SetCurrentDirectory(PyFtpServer::LockedDirectory));
    EXPECT_EQ(GetLastResponseInfo(), "550 Permission denied.");
}

class DosServer : public RealServer {
protected:
    DosServer() : RealServer(PyFtpServer::Options{false, true}) {}
};

TEST_F(DosServer, ListingFallsBackToList)
{
    server.WriteFile("report.doc", std::string(1234, 'r'));
    server.MakeDirectory("Archive");
    auto connection = LogIn();
    const auto entries = Listed(*connection);
    EXPECT_EQ(entries.at("report.doc").size, 1234u);
    EXPECT_EQ(entries.at("Archive").kind, FtpEntryKind::Directory);
}

}  // namespace
