// Data connections against a scripted server: the fallback between active
// and passive mode, each with the failure that mirrors it, and the checks
// that keep a data connection to the server's own address.
#include "platform/FtpConnection.h"
#include "platform/InternetFile.h"
#include "platform/InternetSession.h"
#include "platform/LastError.h"
#include "support/ScriptedFtpServer.h"
#include "sites/SiteAddress.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Server = ScriptedFtpServer;
using Commands = std::vector<std::string>;
using Steps = std::vector<Server::Step>;

const char* const epsvReply = "229 Entering Extended Passive Mode (|||{port}|)";

// The verb alone for the commands whose argument names a port that changes every run.
Commands Verbs(const Commands& commands)
{
    Commands verbs;
    for (const std::string& command : commands) {
        const std::string verb = command.substr(0, command.find(' '));
        verbs.push_back(verb == "EPRT" || verb == "PORT" ? verb : command);
    }
    return verbs;
}

class PassiveEngine : public ::testing::Test {
protected:
    PassiveEngine()
    {
        EngineTimeouts timeouts;
        timeouts.connect = std::chrono::milliseconds(2000);
        timeouts.reply = std::chrono::milliseconds(2000);
        timeouts.dataAccept = std::chrono::milliseconds(500);
        timeouts.dataConnect = std::chrono::milliseconds(2000);
        timeouts.dataIdle = std::chrono::milliseconds(5000);
        session.SetTimeouts(timeouts);
    }

    std::unique_ptr<FtpConnection> LogIn(Server& server)
    {
        server.Then("211-Features:\n SIZE\n211 End");
        server.Then("331 Password required for anna.");
        server.Then("230 Logged in.");
        return session.GetFtpConnection(
            LoginRequestFor(server.Host(), server.Port(), "anna", "secret"));
    }

    // RETR `name` after the given steps; the file's contents, or "" with the
    // last error set when it could not be opened.
    static std::string Retrieve(FtpConnection& connection, Server& server, const std::string& name, const Steps& steps)
    {
        for (const Server::Step& step : steps)
            server.Then(step);
        auto file = connection.OpenFile(name, FileAccess::Read, FTP_TRANSFER_TYPE_BINARY);
        if (!file)
            return {};
        std::string contents(64, '\0');
        const long n = file->Read(contents.data(), contents.size());
        contents.resize(static_cast<std::size_t>(std::max(n, 0L)));
        EXPECT_TRUE(file->Close());
        return contents;
    }

    // Commands after the login's FEAT, USER and PASS.
    static Commands AfterLogin(const Server& server)
    {
        const Commands all = Verbs(server.Commands());
        return Commands(all.begin() + 3, all.end());
    }

    InternetSession session;
};

struct ActiveFailure {
    const char* what;
    Steps steps;          // after TYPE I
    Commands commands;    // the active attempt's transcript after TYPE I
    const char* cause;    // the active attempt's failure in the message
};

// The ways active mode fails that passive mode may mend.
std::vector<ActiveFailure> ActiveFailures()
{
    return {
        {"EPRT and PORT refused",
         {Server::Reply("500 EPRT not understood."), Server::Reply("500 Illegal PORT command.")},
         {"EPRT", "PORT"},
         "500 Illegal PORT command."},
        {"EPRT refused for good", {Server::Reply("522 Network protocol not supported.")}, {"EPRT"},
         "522 Network protocol not supported."},
        {"425 to RETR", {Server::Reply("200 EPRT ok."), Server::Reply("425 Cannot open data connection.")},
         {"EPRT", "RETR f"},
         "425 Cannot open data connection."},
        {"no connection back", {Server::Reply("200 EPRT ok."), Server::NeverConnect()}, {"EPRT", "RETR f"},
         "Timed out waiting for the server's data connection"},
    };
}

TEST_F(PassiveEngine, ActiveFailuresFallBackToPassiveForTheRestOfTheLogin)
{
    for (const ActiveFailure& failure : ActiveFailures()) {
        SCOPED_TRACE(failure.what);
        Server server;
        auto connection = LogIn(server);
        ASSERT_TRUE(connection);
        Steps steps{Server::Reply("200 Type set to I.")};
        steps.insert(steps.end(), failure.steps.begin(), failure.steps.end());
        steps.push_back(Server::Passive(epsvReply));
        steps.push_back(Server::SendData("one"));
        EXPECT_EQ(Retrieve(*connection, server, "f", steps), "one");
        EXPECT_EQ(Retrieve(*connection, server, "g", {Server::Passive(epsvReply), Server::SendData("two")}), "two");
        Commands expected{"TYPE I"};
        expected.insert(expected.end(), failure.commands.begin(), failure.commands.end());
        expected.insert(expected.end(), {"EPSV", "RETR f", "EPSV", "RETR g"});
        EXPECT_EQ(AfterLogin(server), expected);
    }
}

TEST_F(PassiveEngine, AFailureInBothModesNamesBothAndLeavesTheConnectionUsable)
{
    struct PassiveFailure {
        Steps steps;
        const char* cause;
    };
    const PassiveFailure passiveFailures[] = {
        {{Server::Reply("500 EPSV not understood."), Server::Reply("500 PASV not understood.")},
         "500 PASV not understood."},
        {{Server::Passive(epsvReply), Server::Reply("426 Connection closed.")}, "426 Connection closed."},
        {{Server::Reply("229 Entering Extended Passive Mode (|||0|)")},
         "The server's answer to EPSV names no port: 229 Entering Extended Passive Mode (|||0|)"},
        {{Server::Reply("500 EPSV not understood."), Server::Reply("227 Entering Passive Mode (1,2,3)")},
         "The server's answer to PASV names no port: 227 Entering Passive Mode (1,2,3)"},
        // Nothing listens on port 1.
        {{Server::Reply("229 Entering Extended Passive Mode (|||1|)")}, "The server refused the data connection to "},
    };
    for (const ActiveFailure& failure : ActiveFailures()) {
        for (const PassiveFailure& passive : passiveFailures) {
            SCOPED_TRACE(failure.what);
            Server server;
            auto connection = LogIn(server);
            ASSERT_TRUE(connection);
            Steps steps{Server::Reply("200 Type set to I.")};
            steps.insert(steps.end(), failure.steps.begin(), failure.steps.end());
            steps.insert(steps.end(), passive.steps.begin(), passive.steps.end());
            EXPECT_EQ(Retrieve(*connection, server, "f", steps), "");
            EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
            const std::string message = GetLastResponseInfo();
            EXPECT_EQ(message.rfind(std::string("No data connection in active mode (") + failure.cause +
                                        ") nor in passive mode (" + passive.cause, 0),
                      0u)
                << message;
            server.Then("250 CWD ok.");
            EXPECT_TRUE(connection->SetCurrentDirectory("after"));
        }
    }
}

TEST_F(PassiveEngine, EpsvRefusedFallsBackToPasvForGoodAndItsHostIsIgnored)
{
    // The 227 names another loopback address, where nothing listens: the
    // data connection must go to the control connection's peer instead.
    Server server;
    auto connection = LogIn(server);
    ASSERT_TRUE(connection);
    const char* const pasv = "227 Entering Passive Mode (127,0,0,3,{p1},{p2})";
    EXPECT_EQ(Retrieve(*connection, server, "f",
                       {Server::Reply("200 Type set to I."), Server::Reply("500 EPRT not understood."),
                        Server::Reply("500 Illegal PORT command."), Server::Reply("502 EPSV not implemented."),
                        Server::Passive(pasv), Server::SendData("one")}),
              "one");
    EXPECT_EQ(Retrieve(*connection, server, "g", {Server::Passive(pasv), Server::SendData("two")}), "two");
    EXPECT_EQ(AfterLogin(server),
              (Commands{"TYPE I", "EPRT", "PORT", "EPSV", "PASV", "RETR f", "PASV", "RETR g"}));
}

TEST_F(PassiveEngine, TheModeThatWorkedIsNotLeftAgain)
{
    Server server;
    auto connection = LogIn(server);
    ASSERT_TRUE(connection);
    EXPECT_EQ(Retrieve(*connection, server, "f",
                       {Server::Reply("200 Type set to I."), Server::Reply("200 EPRT ok."), Server::SendData("one")}),
              "one");
    EXPECT_EQ(Retrieve(*connection, server, "g",
                       {Server::Reply("200 EPRT ok."), Server::Reply("425 Cannot open data connection.")}),
              "");
    EXPECT_EQ(GetLastResponseInfo(), "425 Cannot open data connection.");
    EXPECT_EQ(AfterLogin(server), (Commands{"TYPE I", "EPRT", "RETR f", "EPRT", "RETR g"}));
}

// The server on 127.0.0.2 while we talk from 127.0.0.1, so a check against
// our own address instead of the server's is caught.
TEST_F(PassiveEngine, DataConnectionsGoToAndComeFromTheServersAddressOnly)
{
    Server server("127.0.0.2");
    auto connection = LogIn(server);
    ASSERT_TRUE(connection);
    EXPECT_EQ(Retrieve(*connection, server, "from-server",
                       {Server::Reply("200 Type set to I."), Server::Reply("200 EPRT ok."), Server::SendData("one")}),
              "one");
    EXPECT_EQ(Retrieve(*connection, server, "from-us",
                       {Server::Reply("200 EPRT ok."), Server::ConnectFromOther("127.0.0.1")}),
              "");
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
}

TEST_F(PassiveEngine, PasvNamingOurOwnAddressStillGoesToTheServer)
{
    Server server("127.0.0.2");
    auto connection = LogIn(server);
    ASSERT_TRUE(connection);
    EXPECT_EQ(Retrieve(*connection, server, "f",
                       {Server::Reply("200 Type set to I."), Server::Reply("500 EPRT not understood."),
                        Server::Reply("500 Illegal PORT command."), Server::Reply("500 EPSV not understood."),
                        Server::Passive("227 Entering Passive Mode (127,0,0,1,{p1},{p2})"), Server::SendData("one")}),
              "one");
}

}  // namespace
