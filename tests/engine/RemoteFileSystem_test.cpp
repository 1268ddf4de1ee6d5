// The engine as a library: its module loaded by path and used through the
// protocol-neutral interface alone, results in hand, against a scripted
// server. Covers what the window's layer does not use yet: opening at an
// offset (resume), a file's size and its hash.
#include "engine/EngineEntry.h"
#include "engine/RemoteFileSystem.h"
#include "platform/EngineModule.h"
#include "support/ScriptedFtpServer.h"
#include "sites/SiteAddress.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Server = ScriptedFtpServer;
using Commands = std::vector<std::string>;

// Logs in with a plain login; the commands after it are the test's.
std::unique_ptr<RemoteFileSystem> LogIn(Server& server,
                                        const std::string& features = "211-Features:\n SIZE\n REST STREAM\n211 End")
{
    std::string error;
    const OpenFtpConnectionFunction open = LoadEngineModule(error);
    EXPECT_NE(open, nullptr) << error;
    server.Then(features);
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

// An upload whose REST is refused appends instead; a server that refuses
// that too says so with its own reply, as a refused download does.
TEST(EngineLibrary, AnUploadWithoutRestAppendsAndARefusedAppendIsAResumeRefused)
{
    for (const bool appendRefused : {false, true}) {
        SCOPED_TRACE(appendRefused ? "APPE refused" : "APPE taken");
        Server server;
        auto remote = LogIn(server);
        ASSERT_TRUE(remote);
        server.Then("200 Type set to I.");
        server.Then("200 EPRT command successful.");
        server.Then("502 REST not implemented.");
        server.Then("200 EPRT command successful.");
        server.Then(appendRefused ? Server::Reply("550 APPE denied.") : Server::ReceiveData());
        std::unique_ptr<RemoteFile> file;
        const EngineResult opened = remote->Open("f", FileAccess::Write, FTP_TRANSFER_TYPE_BINARY, 7, file);
        if (appendRefused) {
            EXPECT_EQ(opened.code, ERROR_FTP_RESUME_REFUSED);
            EXPECT_EQ(opened.response, "550 APPE denied.");
        } else {
            ASSERT_TRUE(opened.Ok()) << opened.cause;
            EXPECT_TRUE(file->Write("tail", 4).Ok());
            EXPECT_TRUE(file->Close().Ok());
            EXPECT_EQ(server.ReceivedData(), "tail");
        }
        EXPECT_EQ(AfterLogin(server), (Commands{"TYPE I", "EPRT", "REST 7", "EPRT", "APPE f"}));
    }
}

// The strongest hash command FEAT lists, its digest beside the local
// file's; none listed asks nothing; a refusal is the call's failure.
TEST(EngineLibrary, DigestsByTheStrongestHashCommandListed)
{
    char path[] = "/tmp/vantrel-digest-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(4, write(fd, "tail", 4));
    struct Case {
        const char* features;
        std::vector<std::string> replies;
        const char* algorithm;
        const char* remote;  // null: the call fails
        Commands expected;
    };
    const char* const sha256 = "0c62f876ef1dea830de9f32c2f4b46dd6d74d50d15896e09ef5a2fcd4ac7e1d7";
    const char* const sha1 = "fbf5f2a2875b3bb65b8e3b23e6cc01d58ca30447";
    const char* const md5 = "7aea2552dfe7eb84b9443b6fc9ba6e01";
    const Case cases[] = {
        {"211-Features:\n HASH SHA-1*;SHA-256\n XSHA1\n211 End",
         {"200 SHA-256", std::string("213 SHA-256 0-4 ") + sha256 + " f"}, "SHA-256", sha256,
         {"OPTS HASH SHA-256", "HASH f"}},
        {"211-Features:\n XSHA1\n XMD5\n211 End", {std::string("250 ") + sha1}, "SHA-1", sha1, {"XSHA1 f"}},
        {"211-Features:\n XMD5\n211 End", {"250 00000000000000000000000000000000"}, "MD5",
         "00000000000000000000000000000000", {"XMD5 f"}},
        {"211-Features:\n XMD5\n211 End", {"550 f: No such file."}, "", nullptr, {"XMD5 f"}},
        {"211-Features:\n SIZE\n211 End", {}, "", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.features);
        Server server;
        auto remote = LogIn(server, c.features);
        ASSERT_TRUE(remote);
        for (const std::string& reply : c.replies)
            server.Then(reply);
        FileDigests digests;
        const EngineResult result = remote->CompareDigests("f", fd, digests);
        EXPECT_EQ(result.Ok(), c.remote != nullptr) << result.cause;
        EXPECT_EQ(digests.algorithm, c.algorithm);
        EXPECT_EQ(digests.remote, c.remote ? c.remote : "");
        const std::string local = digests.algorithm == "SHA-256" ? sha256 : digests.algorithm == "SHA-1" ? sha1 : md5;
        EXPECT_EQ(digests.local, digests.algorithm.empty() ? "" : local);
        EXPECT_EQ(AfterLogin(server), c.expected);
    }
    close(fd);
    unlink(path);
}

}  // namespace
