// The SFTP module through the engine's protocol-neutral interface, against
// Debian's OpenSSH sshd on loopback: the host-key check, each way of
// logging in, the listing, navigation, byte-exact transfers both ways,
// file operations, Abort and a server killed mid-transfer.
#include "engine/EngineEntry.h"
#include "engine/RemoteFileSystem.h"
#include "engine/SftpRules.h"
#include "platform/EngineModule.h"
#include "sites/SiteAddress.h"
#include "support/LocalFiles.h"
#include "support/SshdServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Login {
    std::unique_ptr<RemoteFileSystem> remote;
    FtpLoginOutcome outcome;
};

Login LogIn(const SshdServer& server, const std::string& user, const std::string& password = "",
            const std::string& trusted = "", SecretPrompt ask = {}, OpenFtpConnectionFunction open = nullptr)
{
    std::string error;
    if (!open)
        open = LoadEngineModule(error);
    EXPECT_NE(open, nullptr) << error;
    FtpLoginRequest request = LoginRequestFor("sftp://127.0.0.1", server.Port(), user, password);
    request.trustedFingerprint = trusted;
    request.askSecret = std::move(ask);
    Login login;
    EngineTimeouts timeouts;
    timeouts.dataIdle = std::chrono::milliseconds(3000);
    login.remote.reset(open(timeouts, request, login.outcome));
    return login;
}

std::unique_ptr<RemoteFileSystem> LoggedIn(const SshdServer& server)
{
    Login login = LogIn(server, server.User());
    EXPECT_TRUE(login.outcome.result.Ok()) << login.outcome.result.cause;
    return std::move(login.remote);
}

std::string Download(RemoteFileSystem& remote, const std::string& name, std::uint64_t offset = 0)
{
    std::unique_ptr<RemoteFile> file;
    const EngineResult opened = remote.Open(name, FileAccess::Read, FTP_TRANSFER_TYPE_BINARY, offset, file);
    EXPECT_TRUE(opened.Ok()) << opened.cause;
    if (!file)
        return {};
    std::string contents;
    std::vector<char> buffer(100000);
    for (;;) {
        std::size_t received = 0;
        const EngineResult read = file->Read(buffer.data(), buffer.size(), received);
        EXPECT_TRUE(read.Ok()) << read.cause;
        if (!read.Ok() || received == 0)
            break;
        contents.append(buffer.data(), received);
    }
    EXPECT_TRUE(file->Close().Ok());
    return contents;
}

void Upload(RemoteFileSystem& remote, const std::string& name, const std::string& contents, std::uint64_t offset = 0)
{
    std::unique_ptr<RemoteFile> file;
    ASSERT_TRUE(remote.Open(name, FileAccess::Write, FTP_TRANSFER_TYPE_BINARY, offset, file).Ok());
    ASSERT_TRUE(file->Write(contents.data(), contents.size()).Ok());
    EXPECT_TRUE(file->Close().Ok());
}

const FtpListEntry* Find(const std::vector<FtpListEntry>& entries, const std::string& name)
{
    const auto found =
        std::find_if(entries.begin(), entries.end(), [&name](const FtpListEntry& entry) { return entry.name == name; });
    return found == entries.end() ? nullptr : &*found;
}

// Logs in and opens a 64 MB file for reading, its first bytes read; null
// (with the test failed) when any step fails.
std::unique_ptr<RemoteFile> StartBigDownload(const SshdServer& server, std::unique_ptr<RemoteFileSystem>& remote)
{
    server.WriteFile("big.bin", Binary(64'000'000));
    remote = LoggedIn(server);
    std::unique_ptr<RemoteFile> file;
    if (!remote || !remote->Open("big.bin", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY, 0, file).Ok())
        return nullptr;
    std::vector<char> buffer(65536);
    std::size_t received = 0;
    EXPECT_TRUE(file->Read(buffer.data(), buffer.size(), received).Ok());
    return file;
}

const std::size_t kWindowPlusOne = kSftpMaxReadWindow * kSftpReadRequestBytes + 1;

}  // namespace

TEST(SftpEngine, TransfersAreByteExactBothWaysAtEverySize)
{
    SshdServer server;
    auto remote = LoggedIn(server);
    ASSERT_TRUE(remote);
    EXPECT_EQ(remote->Encryption().rfind("SSH", 0), 0u);
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, kWindowPlusOne, std::size_t{20'000'000}}) {
        SCOPED_TRACE(size);
        const std::string contents = Binary(size);
        server.WriteFile("down.bin", contents);
        EXPECT_TRUE(Download(*remote, "down.bin") == contents);
        Upload(*remote, "up.bin", contents);
        EXPECT_TRUE(ReadLocal(server.PathOf("up.bin")) == contents);
    }
    // Into a local file by descriptor, as the transfer worker copies, and
    // emptied at its first byte.
    const std::string contents = Binary(kWindowPlusOne);
    server.WriteFile("down.bin", contents);
    const std::string local = server.Home() + "/local.bin";
    WriteLocal(local, "stale bytes, longer than nothing");
    const int fd = ::open(local.c_str(), O_WRONLY);
    std::unique_ptr<RemoteFile> file;
    ASSERT_TRUE(remote->Open("down.bin", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY, 0, file).Ok());
    for (std::size_t moved = 1; moved > 0;)
        ASSERT_TRUE(file->ReceiveInto(fd, 1 << 20, moved).Ok());
    EXPECT_TRUE(file->Close().Ok());
    ::close(fd);
    EXPECT_TRUE(ReadLocal(local) == contents);
}

TEST(SftpEngine, OpenAtAnOffsetReadsAndWritesFromThere)
{
    SshdServer server;
    auto remote = LoggedIn(server);
    ASSERT_TRUE(remote);
    server.WriteFile("f.txt", "0123456789");
    EXPECT_EQ(Download(*remote, "f.txt", 7), "789");
    Upload(*remote, "f.txt", "AB", 4);
    EXPECT_EQ(ReadLocal(server.PathOf("f.txt")), "0123AB6789");
    std::uint64_t size = 0;
    ASSERT_TRUE(remote->Size("f.txt", size).Ok());
    EXPECT_EQ(size, 10u);
}

TEST(SftpEngine, ListingNavigationAndFileOperations)
{
    SshdServer server;
    const std::string odd[] = {"with space", "semi;colon", "\xc3\xbcml\xc3\xa4ut", "latin1 \xe9", "-dash", "a\tb"};
    for (const std::string& name : odd)
        server.WriteFile(name, "x");
    server.WriteFile("sub/inner.txt", "12345");
    std::filesystem::create_symlink("sub/inner.txt", server.PathOf("link"));
    auto remote = LoggedIn(server);
    ASSERT_TRUE(remote);

    std::string folder;
    ASSERT_TRUE(remote->CurrentFolder(folder).Ok());
    EXPECT_EQ(folder, std::filesystem::canonical(server.Root()).string());
    std::vector<FtpListEntry> entries;
    ASSERT_TRUE(remote->List(entries).Ok());
    for (const std::string& name : odd) {
        SCOPED_TRACE(name);
        ASSERT_NE(Find(entries, name), nullptr);
        EXPECT_EQ(Find(entries, name)->size, 1u);
        EXPECT_EQ(Find(entries, name)->kind, FtpEntryKind::File);
    }
    ASSERT_NE(Find(entries, "sub"), nullptr);
    EXPECT_EQ(Find(entries, "sub")->kind, FtpEntryKind::Directory);
    ASSERT_NE(Find(entries, "link"), nullptr);
    EXPECT_EQ(Find(entries, "link")->kind, FtpEntryKind::Link);
    EXPECT_GT(Find(entries, "sub")->modified, 1'600'000'000);

    ASSERT_TRUE(remote->ChangeFolder("sub").Ok());
    ASSERT_TRUE(remote->CurrentFolder(folder).Ok());
    EXPECT_EQ(folder, std::filesystem::canonical(server.PathOf("sub")).string());
    EXPECT_EQ(Download(*remote, "inner.txt"), "12345");
    ASSERT_TRUE(remote->ChangeFolder("..").Ok());
    EXPECT_FALSE(remote->ChangeFolder("with space").Ok());  // a file, not a folder
    EXPECT_FALSE(remote->ChangeFolder("missing").Ok());
    ASSERT_TRUE(remote->ChangeFolder("/").Ok());
    ASSERT_TRUE(remote->CurrentFolder(folder).Ok());
    EXPECT_EQ(folder, "/");
    ASSERT_TRUE(remote->ChangeFolder(server.Root()).Ok());

    ASSERT_TRUE(remote->MakeFolder("made").Ok());
    EXPECT_TRUE(std::filesystem::is_directory(server.PathOf("made")));
    const EngineResult again = remote->MakeFolder("made");
    EXPECT_EQ(again.code, ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_FALSE(again.response.empty());
    ASSERT_TRUE(remote->RemoveFolder("made").Ok());
    EXPECT_FALSE(std::filesystem::exists(server.PathOf("made")));

    // A rename over an existing name replaces it: the window asked first.
    ASSERT_TRUE(remote->Rename("semi;colon", "-dash").Ok());
    EXPECT_FALSE(std::filesystem::exists(server.PathOf("semi;colon")));
    ASSERT_TRUE(remote->RemoveFile("-dash").Ok());
    EXPECT_FALSE(std::filesystem::exists(server.PathOf("-dash")));
    const EngineResult missing = remote->RemoveFile("-dash");
    EXPECT_EQ(missing.code, ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(missing.response, "No such file");
    EXPECT_EQ(remote->RemoveFile("bad\nname").code, ERROR_INTERNET_INVALID_ARGUMENT);

    // While a file is open the session refuses everything else.
    std::unique_ptr<RemoteFile> file;
    ASSERT_TRUE(remote->Open("sub/inner.txt", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY, 0, file).Ok());
    EXPECT_EQ(remote->List(entries).code, ERROR_FTP_TRANSFER_IN_PROGRESS);
    file->Close();
    EXPECT_TRUE(remote->List(entries).Ok());
}

TEST(SftpEngine, UnknownHostKeyIsDescribedThenTrustedAndWritten)
{
    SshdServer server(SshdHostKey::Unknown);
    Login first = LogIn(server, server.User());
    EXPECT_FALSE(first.remote);
    EXPECT_EQ(first.outcome.hostKeyState, FtpLoginOutcome::HostKey::Unknown);
    EXPECT_EQ(first.outcome.hostKey.fingerprint, server.HostKeyFingerprint());
    EXPECT_EQ(first.outcome.hostKey.type, "ssh-ed25519");
    EXPECT_FALSE(std::filesystem::exists(server.KnownHostsFile()));
    EXPECT_EQ(server.Log().find(" user "), std::string::npos) << "a user name went out:\n" << server.Log();

    Login trusted = LogIn(server, server.User(), "", server.HostKeyFingerprint());
    ASSERT_TRUE(trusted.remote) << trusted.outcome.result.cause;
    EXPECT_NE(ReadLocal(server.KnownHostsFile()).find("127.0.0.1"), std::string::npos);
    trusted.remote->End();
    EXPECT_TRUE(LogIn(server, server.User()).remote);
}

TEST(SftpEngine, ChangedHostKeyIsRefusedSayingWhereTheOldOneIs)
{
    SshdServer server;
    server.ReplaceHostKey();
    for (const std::string& trusted : {std::string(), server.HostKeyFingerprint()}) {
        Login login = LogIn(server, server.User(), "", trusted);
        EXPECT_FALSE(login.remote);
        EXPECT_EQ(login.outcome.hostKeyState, FtpLoginOutcome::HostKey::Known);
        const std::string& cause = login.outcome.result.cause;
        EXPECT_NE(cause.find("has changed"), std::string::npos) << cause;
        EXPECT_NE(cause.find("someone could be eavesdropping"), std::string::npos) << cause;
        EXPECT_NE(cause.find(server.KnownHostsFile() + ":1"), std::string::npos) << cause;
        EXPECT_NE(cause.find(server.HostKeyFingerprint()), std::string::npos) << cause;
    }
    EXPECT_EQ(server.Log().find(" user "), std::string::npos) << "a user name went out:\n" << server.Log();
}

TEST(SftpEngine, AKeyWithAPassphraseAsksForIt)
{
    SshdServer server;
    server.ProtectUserKey("open sesame");
    std::vector<std::string> replies = {"open sesame", ""};
    int asked = 0;
    const SecretPrompt answer = [&asked, &replies](const std::string&, std::string& reply) {
        reply = replies[asked++];
        return !reply.empty();
    };
    EXPECT_TRUE(LogIn(server, server.User(), "", "", answer).remote);
    EXPECT_EQ(asked, 1);
    const Login declined = LogIn(server, server.User(), "", "", answer);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(declined.remote);
    EXPECT_NE(declined.outcome.result.cause.find("It offers: publickey. Tried: publickey (keys)."),
              std::string::npos)
        << declined.outcome.result.cause;
}

TEST(SftpEngine, TheAgentLogsInWithoutTheKeyFile)
{
    SshdServer server;
    server.StartAgent();
    server.HideUserKey();
    const Login login = LogIn(server, server.User());
    EXPECT_TRUE(login.remote) << login.outcome.result.cause;
}

// ssh's own config names the host and the key; the Domain box the alias.
TEST(SftpEngine, AHostAliasOfTheSshConfigLogsInWithItsIdentityFile)
{
    SshdServer server;
    server.HideUserKey();
    WriteLocal(server.Home() + "/.ssh/config",
               "Host work-box\n  HostName 127.0.0.1\n  IdentityFile " + server.HiddenKey() + "\n");
    std::string error;
    const OpenFtpConnectionFunction open = LoadEngineModule(error);
    ASSERT_NE(open, nullptr) << error;
    FtpLoginOutcome outcome;
    std::unique_ptr<RemoteFileSystem> remote(
        open(EngineTimeouts{}, LoginRequestFor("sftp://work-box", server.Port(), server.User(), ""), outcome));
    EXPECT_TRUE(remote) << outcome.result.cause;
}

TEST(SftpEngine, PasswordAndKeyboardInteractiveLogIn)
{
    if (const std::string why = SshdServer::WhyNoPasswordAccount(); !why.empty())
        GTEST_SKIP() << why;
    for (SshdPasswords way : {SshdPasswords::Password, SshdPasswords::KeyboardInteractive}) {
        SshdServer server(SshdHostKey::Known, way);
        server.HideUserKey();
        const Login right = LogIn(server, SshdServer::PasswordUser, SshdServer::Password);
        EXPECT_TRUE(right.remote) << right.outcome.result.cause;
        const Login wrong = LogIn(server, SshdServer::PasswordUser, "not it");
        EXPECT_FALSE(wrong.remote);
        const std::string method = way == SshdPasswords::Password ? "password" : "keyboard-interactive";
        EXPECT_NE(wrong.outcome.result.cause.find("Tried: publickey (keys), " + method + "."), std::string::npos)
            << wrong.outcome.result.cause;
    }
}

TEST(SftpEngine, AbortStopsADownloadWithinASecondAndTheSessionGoesOn)
{
    SshdServer server;
    std::unique_ptr<RemoteFileSystem> remote;
    const auto file = StartBigDownload(server, remote);
    ASSERT_TRUE(file);
    file->Abort();
    const auto start = std::chrono::steady_clock::now();
    std::vector<char> buffer(65536);
    std::size_t received = 0;
    EXPECT_FALSE(file->Read(buffer.data(), buffer.size(), received).Ok());
    file->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    std::vector<FtpListEntry> entries;
    EXPECT_TRUE(remote->List(entries).Ok());
}

// A stalled server answers nothing: a download stops waiting for it, an
// upload's write waits inside libssh and is cut off with the connection;
// either way the session is given up.
TEST(SftpEngine, AbortStopsATransferWithAStalledServerWithinASecond)
{
    for (FileAccess access : {FileAccess::Read, FileAccess::Write}) {
        SCOPED_TRACE(access == FileAccess::Read ? "download" : "upload");
        SshdServer server;
        server.WriteFile("big.bin", Binary(64'000'000));
        auto remote = LoggedIn(server);
        ASSERT_TRUE(remote);
        std::unique_ptr<RemoteFile> file;
        ASSERT_TRUE(remote->Open("big.bin", access, FTP_TRANSFER_TYPE_BINARY, 0, file).Ok());
        std::string bytes = Binary(16 << 20);
        std::size_t received = 0;
        const auto move = [&] {
            return access == FileAccess::Read ? file->Read(bytes.data(), 1 << 20, received)
                                              : file->Write(bytes.data(), bytes.size());
        };
        ASSERT_TRUE(move().Ok());
        server.StallSessions();
        std::thread aborter([&file] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            file->Abort();
        });
        const auto start = std::chrono::steady_clock::now();
        EngineResult moved;
        do
            moved = move();
        while (moved.Ok());
        aborter.join();
        file->Close();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
        EXPECT_FALSE(remote->IsOpen());
    }
}

TEST(SftpEngine, AServerKilledMidTransferEndsTheSession)
{
    SshdServer server;
    std::unique_ptr<RemoteFileSystem> remote;
    const auto file = StartBigDownload(server, remote);
    ASSERT_TRUE(file);
    server.KillSessions();
    std::vector<char> buffer(65536);
    std::size_t received = 0;
    EngineResult read;
    do
        read = file->Read(buffer.data(), buffer.size(), received);
    while (read.Ok() && received > 0);
    EXPECT_EQ(read.code, ERROR_INTERNET_CONNECTION_ABORTED);
    file->Close();
    EXPECT_FALSE(remote->IsOpen());
}

TEST(SftpEngine, AMissingModuleIsALoginErrorNamingIt)
{
    SshdServer server;
    const std::string folder = server.Home() + "/engine-alone";
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(std::string(VANTREL_BINARY_DIR) + "/tests/" + kEngineModuleName,
                               folder + "/" + kEngineModuleName);
    std::string error;
    const OpenFtpConnectionFunction open = LoadEngineModuleFrom(folder + "/" + kEngineModuleName, error);
    ASSERT_NE(open, nullptr) << error;
    const Login login = LogIn(server, server.User(), "", "", {}, open);
    EXPECT_FALSE(login.remote);
    EXPECT_NE(login.outcome.result.cause.find("libvantrel-sftp.so"), std::string::npos) << login.outcome.result.cause;
}
