// Both data-connection modes against real servers on loopback: a vsftpd
// that refuses active mode, and pyftpdlib on IPv6 with and without it.
#include "platform/FtpConnection.h"
#include "platform/InternetFile.h"
#include "platform/InternetSession.h"
#include "support/LocalFiles.h"
#include "support/PyFtpServer.h"
#include "support/RemoteFiles.h"
#include "support/VsftpdServer.h"
#include "sites/SiteAddress.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

const std::string payload = "passive bytes\r\n\x00\xff" + std::string(200000, 'p');

std::set<std::string> Names(FtpConnection& connection)
{
    std::set<std::string> names;
    for (const auto& [name, entry] : Listed(connection))
        names.insert(name);
    return names;
}

class DataModes : public ::testing::Test {
protected:
    DataModes()
    {
        EngineTimeouts timeouts;
        timeouts.dataAccept = std::chrono::milliseconds(3000);
        session.SetTimeouts(timeouts);
    }

    InternetSession session;
};

TEST_F(DataModes, PassiveOnlyVsftpdListsDownloadsAndUploads)
{
    std::unique_ptr<VsftpdServer> server;
    try {
        server = std::make_unique<VsftpdServer>(VsftpdUploads::Accepted, VsftpdDataMode::PassiveOnly);
    } catch (const std::runtime_error& failure) {
        GTEST_SKIP() << "vsftpd cannot run here: " << failure.what();
    }
    server->WriteFile("data.bin", payload);
    auto connection = session.GetFtpConnection(
        LoginRequestFor("127.0.0.1", server->Port(), VsftpdServer::User, ""));
    ASSERT_TRUE(connection);
    ASSERT_TRUE(connection->SetCurrentDirectory(server->ServerRoot()));
    EXPECT_EQ(Names(*connection), (std::set<std::string>{"data.bin", VsftpdServer::UploadFolder}));
    EXPECT_EQ(Download(*connection, "data.bin"), payload);
    ASSERT_TRUE(connection->SetCurrentDirectory(VsftpdServer::UploadFolder));
    EXPECT_TRUE(Upload(*connection, "up.bin", payload));
    EXPECT_EQ(ReadLocal(server->PathOf(std::string(VsftpdServer::UploadFolder) + "/up.bin")), payload);
}

// A literal ::1 in the Domain box: EPRT |2| where the server takes it, EPSV
// where it does not.
TEST_F(DataModes, Ipv6LoopbackInBothModes)
{
    for (const bool activeRefused : {false, true}) {
        SCOPED_TRACE(activeRefused ? "active refused" : "active");
        PyFtpServer::Options options;
        options.host = "::1";
        options.activeRefused = activeRefused;
        PyFtpServer server(options);
        server.WriteFile("data.bin", payload);
        auto connection = session.GetFtpConnection(
            LoginRequestFor("::1", server.Port(), PyFtpServer::User, PyFtpServer::Password));
        ASSERT_TRUE(connection);
        EXPECT_EQ(Names(*connection), (std::set<std::string>{"data.bin"}));
        EXPECT_EQ(Download(*connection, "data.bin"), payload);
        EXPECT_TRUE(Upload(*connection, "up.bin", payload));
        EXPECT_EQ(server.ReadFile("up.bin"), payload);
    }
}

}  // namespace
