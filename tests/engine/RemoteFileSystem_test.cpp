// The engine as a library: its module loaded by path and used through the
// protocol-neutral interface alone, results in hand, against a scripted
// server. Covers what the window's layer does not use yet: opening at an
// offset (resume) and a file's size.
#include "engine/EngineEntry.h"
#include "engine/RemoteFileSystem.h"
#include "platform/EngineModule.h"
#include "support/ScriptedFtpServer.h"
#include "sites/SiteAddress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

using Server = ScriptedFtpServer;
using Commands = std::vector<std::string>;

// Logs in with a plain login; the commands after it are the test's.
std::unique_ptr<RemoteFileSystem> LogIn(Server& server)
{
    std::string error;
    const OpenFtpConnectionFunction open = LoadEngineModule(error);
    EXPECT_NE(open, nullptr) << error;
    server.Then("211-Features:\n SIZE\n REST STREAM\n211 End");
    server.Then("331 Password required.");
    server.Then("230 Logged in.");
    EngineTimeouts timeouts;
    timeouts.reply = std::chrono::milliseconds(700);
    timeouts.dataAccept = std::chrono::milliseconds(700);
    FtpLoginOutcome outcome;
    std::unique_ptr<RemoteFileSystem> remote(
        open(timeouts, LoginRequestFor("127.0.0.1", server.Port(), "anna", "x"), outcome));
    EXPECT_TRUE(outcome.result.Ok()) << outcome.result.cause;
    return remote;
}

Commands AfterLogin(const Server& server)
{
    const Commands all = server.Commands();
    Commands rest(all.begin() + 3, all.end());
    for (std::string& command : rest)
        if (command.rfind("EPRT ", 0) == 0)
            command = "EPRT";
    return rest;
}

// REST goes right before RETR or STOR, after the data connection's set-up,
// as servers want it; one the server refuses ends the open with its reply.
TEST(EngineLibrary, OpenAtAnOffsetAsksRestRightBeforeTheTransfer)
{
    struct Case {
        const char* what;
        FileAccess access;
        const char* restReply;
        Server::Step transfer;
        std::string expectedResponse;  // empty: the open succeeds
        Commands expected;
    };
    const Case cases[] = {
        {"download resumed", FileAccess::Read, "350 Restarting at 7.", Server::SendData("rest"), "",
         {"TYPE I", "EPRT", "REST 7", "RETR f"}},
        {"upload resumed", FileAccess::Write, "350 Restarting at 7.", Server::ReceiveData(), "",
         {"TYPE I", "EPRT", "REST 7", "STOR f"}},
        {"REST refused", FileAccess::Read, "502 REST not implemented.", Server::SendData("never"),
         "502 REST not implemented.", {"TYPE I", "EPRT", "REST 7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Server server;
        auto remote = LogIn(server);
        ASSERT_TRUE(remote);
        server.Then("200 Type set to I.");
        server.Then("200 EPRT command successful.");
        server.Then(c.restReply);
        server.Then(c.transfer);
        std::unique_ptr<RemoteFile> file;
        const EngineResult opened = remote->Open("f", c.access, FTP_TRANSFER_TYPE_BINARY, 7, file);
        EXPECT_EQ(opened.response, c.expectedResponse);
        if (opened.Ok()) {
            char buffer[16];
            std::size_t received = 0;
            if (c.access == FileAccess::Read)
                EXPECT_TRUE(file->Read(buffer, sizeof buffer, received).Ok());
            else
                EXPECT_TRUE(file->Write("tail", 4).Ok());
            EXPECT_TRUE(file->Close().Ok());
        }
        EXPECT_EQ(AfterLogin(server), c.expected);
    }
}

TEST(EngineLibrary, SizeIsAskedInBinaryAndOnlyADecimalReplyCounts)
{
    struct Case {
        const char* reply;
        bool ok;
        std::uint64_t size;
    };
    const Case cases[] = {
        {"213 4294967303", true, 4294967303ull},
        {"550 No such file.", false, 0},
        {"213 12 bytes", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        Server server;
        auto remote = LogIn(server);
        ASSERT_TRUE(remote);
        server.Then("200 Type set to I.");
        server.Then(c.reply);
        std::uint64_t size = 0;
        EXPECT_EQ(remote->Size("f", size).Ok(), c.ok);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(AfterLogin(server), (Commands{"TYPE I", "SIZE f"}));
    }
}

}  // namespace
