// Servers as Debian installs them, with nothing set up for us.
#include "platform/FtpConnection.h"
#include "platform/InternetException.h"
#include "platform/InternetSession.h"
#include "support/PureFtpdServer.h"
#include "support/RemoteFiles.h"
#include "sites/SiteAddress.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

// Stock pure-ftpd lists AUTH TLS but has no certificate, and refuses it: a
// plain domain logs in in clear, ftpes:// is refused before the user name.
TEST(StockPureFtpd, LogsInAndListsInClearUnlessTlsIsDemanded)
{
    std::unique_ptr<PureFtpdServer> server;
    try {
        server = std::make_unique<PureFtpdServer>();
    } catch (const std::runtime_error& failure) {
        GTEST_SKIP() << "pure-ftpd cannot run here: " << failure.what();
    }
    server->WriteFile("hello.txt", "hello");
    InternetSession session;
    FtpLoginRequest request = LoginRequestFor("127.0.0.1", server->Port(), PureFtpdServer::User, "");
    auto connection = session.GetFtpConnection(request);
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->Encryption(), "");
    EXPECT_EQ(Listed(*connection).at("hello.txt").size, 5u);
    EXPECT_EQ(Download(*connection, "hello.txt"), "hello");
    connection->Close();

    request.tls = TlsPolicy::Demanded;
    try {
        session.GetFtpConnection(request);
        ADD_FAILURE() << "logged in without TLS";
    } catch (const InternetException& error) {
        EXPECT_NE(error.GetErrorMessage().find("does not offer TLS"), std::string::npos) << error.GetErrorMessage();
    }
}

}  // namespace
