// The engine's explicit TLS against Debian's vsftpd demanding it for the
// login and every data connection, with session reuse required, and against
// a scripted server for what no real server does.
#include "platform/FtpConnection.h"
#include "platform/InternetException.h"
#include "platform/InternetFile.h"
#include "platform/EngineModule.h"
#include "platform/InternetSession.h"
#include "platform/LastError.h"
#include "platform/ProgramFiles.h"
#include "platform/UntrustedCertificateException.h"
#include "support/LocalFiles.h"
#include "support/RemoteFiles.h"
#include "support/ScriptedFtpServer.h"
#include "support/VsftpdServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Commands = std::vector<std::string>;

FtpLoginRequest Request(std::uint16_t port, TlsPolicy tls = TlsPolicy::WhenOffered)
{
    FtpLoginRequest request;
    request.host = "127.0.0.1";
    request.port = port;
    request.user = VsftpdServer::User;
    request.tls = tls;
    return request;
}

// The test CA is the only one OpenSSL's default paths name.
class TlsServer : public ::testing::Test {
protected:
    explicit TlsServer(VsftpdSecurity security = VsftpdSecurity::TlsSignedByTestCa,
                       VsftpdDataMode dataMode = VsftpdDataMode::ActiveOnly)
        : server(VsftpdUploads::Accepted, dataMode, security)
    {
        ::setenv("SSL_CERT_FILE", server.CaFile().empty() ? "/nonexistent" : server.CaFile().c_str(), 1);
        ::setenv("SSL_CERT_DIR", "/nonexistent", 1);
    }
    ~TlsServer() override
    {
        ::unsetenv("SSL_CERT_FILE");
        ::unsetenv("SSL_CERT_DIR");
    }

    ServerCertificate Refused(const FtpLoginRequest& request)
    {
        try {
            session.GetFtpConnection(request);
        } catch (const UntrustedCertificateException& error) {
            EXPECT_NE(error.GetErrorMessage().find("not trusted"), std::string::npos) << error.GetErrorMessage();
            return error.Certificate();
        }
        ADD_FAILURE() << "the certificate was accepted";
        return {};
    }

    VsftpdServer server;
    InternetSession session;
};

// A second login with what the first learned: AUTH TLS at once, and the
// listing as before.
TEST_F(TlsServer, TheSecondLoginGoesStraightToTls)
{
    server.WriteFile("pub/data.bin", "x");
    FtpLoginRequest request = Request(server.Port());
    auto first = session.GetFtpConnection(request);
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->SetCurrentDirectory(server.ServerRoot() + "/pub"));
    EXPECT_EQ(Listed(*first).count("data.bin"), 1u);
    request.serverNotes = first->ServerNotes();
    first->Close();
    EXPECT_EQ(request.serverNotes.rfind("tls=1 mode=active", 0), 0u) << request.serverNotes;
    auto second = session.GetFtpConnection(request);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->Encryption().empty());
    ASSERT_TRUE(second->SetCurrentDirectory(server.ServerRoot() + "/pub"));
    EXPECT_EQ(Listed(*second).count("data.bin"), 1u);
}

// Refuses PORT and EPRT, so every data connection is a passive one in TLS.
class PassiveTlsServer : public TlsServer {
protected:
    PassiveTlsServer() : TlsServer(VsftpdSecurity::TlsSignedByTestCa, VsftpdDataMode::PassiveOnly) {}
};

class AnotherNamesServer : public TlsServer {
protected:
    AnotherNamesServer() : TlsServer(VsftpdSecurity::TlsForAnotherName) {}
};

// Signed by a trusted CA, but for elsewhere.test: reached as localhost it is
// not this server's, and nothing is sent before the user's answer.
TEST_F(AnotherNamesServer, ACertificateForAnotherNameDoesNotVerify)
{
    FtpLoginRequest request = Request(server.Port());
    request.host = "localhost";
    EXPECT_NE(Refused(request).problem.find("hostname mismatch"), std::string::npos);
}

class ImplicitTlsServer : public TlsServer {
protected:
    ImplicitTlsServer() : TlsServer(VsftpdSecurity::ImplicitTls) {}
};

class SelfSignedServer : public TlsServer {
protected:
    SelfSignedServer() : TlsServer(VsftpdSecurity::TlsSelfSigned) {}
};

// Login, listings, a download and an upload each open a data connection,
// which vsftpd accepts only in TLS and only resuming the control session.
TEST_F(TlsServer, LogsInListsDownloadsAndUploadsByteExactOverTls)
{
    const std::string payload = Binary(3'000'017);
    server.WriteFile("pub/data.bin", payload);
    auto connection = session.GetFtpConnection(Request(server.Port()));
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->Encryption().rfind("TLS 1.", 0), 0u) << connection->Encryption();
    ASSERT_TRUE(connection->SetCurrentDirectory(server.ServerRoot() + "/pub"));
    EXPECT_EQ(Listed(*connection).count("data.bin"), 1u);
    EXPECT_TRUE(Download(*connection, "data.bin") == payload) << GetLastError() << " " << GetLastResponseInfo();

    ASSERT_TRUE(connection->SetCurrentDirectory(server.ServerRoot() + "/incoming"));
    auto upload = connection->OpenFile("up.bin", FileAccess::Write, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(upload);
    ASSERT_TRUE(upload->Write(payload.data(), payload.size()));
    ASSERT_TRUE(upload->Close()) << GetLastError() << " " << GetLastResponseInfo();
    EXPECT_TRUE(ReadLocal(server.PathOf("incoming/up.bin")) == payload);

    // The engine's own copy into a file decrypts: the file gets the bytes in
    // clear, never the TLS records splice would have moved, and an older
    // copy is replaced whole.
    auto download = connection->OpenFile("up.bin", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(download);
    const std::string copied = server.PathOf("../copied.bin");
    std::ofstream(copied) << "an older and longer copy of the file, to be replaced";
    const int fd = ::open(copied.c_str(), O_WRONLY);
    FailedSide side = FailedSide::Server;
    EXPECT_EQ(download->ReceiveInto(fd, payload.size() + 1, side), static_cast<long>(payload.size()));
    EXPECT_EQ(download->ReceiveInto(fd, 1, side), 0);
    ::close(fd);
    EXPECT_TRUE(ReadLocal(copied) == payload) << ReadLocal(copied).size() << " bytes";
    EXPECT_TRUE(download->Close());
    connection->Close();
}

// Every data connection must resume a session the server still takes, also
// after uploads, which read nothing from theirs: a run of uploads, one of
// them aborted, each followed by a listing as the window does it.
TEST_F(TlsServer, UploadsOneAfterAnotherKeepTheSessionResumable)
{
    const std::string chunk = Binary(1 << 20);
    auto connection = session.GetFtpConnection(Request(server.Port()));
    ASSERT_TRUE(connection);
    ASSERT_TRUE(connection->SetCurrentDirectory(server.ServerRoot() + "/incoming"));
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        const std::string name = "up" + std::to_string(i) + ".bin";
        auto upload = connection->OpenFile(name, FileAccess::Write, FTP_TRANSFER_TYPE_BINARY);
        ASSERT_TRUE(upload) << GetLastError() << " " << GetLastResponseInfo();
        ASSERT_TRUE(upload->Write(chunk.data(), chunk.size()));
        if (i == 3) {
            // As a user's Abort comes: while the upload runs, after the
            // server's tickets for it have come.
            std::this_thread::sleep_for(100ms);
            ASSERT_TRUE(upload->Write(chunk.data(), chunk.size()));
            upload->Abort();
        }
        // An aborted upload's end depends on how far the server got.
        const bool closed = upload->Close();
        EXPECT_TRUE(closed || i == 3) << GetLastError() << " " << GetLastResponseInfo();
        EXPECT_EQ(Listed(*connection).count(name), 1u) << GetLastError() << " " << GetLastResponseInfo();
    }
    connection->Close();
}

// A server gone in the middle of an upload, and a download whose file cannot
// be written, then cut by Abort, end in a failure, bounded; OpenSSL writes
// without MSG_NOSIGNAL, so a write after the connection broke would raise
// SIGPIPE and end this test.
TEST_F(TlsServer, AServerGoneMidUploadOrAnAbortedDownloadIsAFailureNotASignal)
{
    const std::string chunk = Binary(1 << 20);
    server.WriteFile("pub/big.bin", Binary(8 << 20));
    auto connection = session.GetFtpConnection(Request(server.Port()));
    ASSERT_TRUE(connection);
    ASSERT_TRUE(connection->SetCurrentDirectory(server.ServerRoot() + "/pub"));
    auto download = connection->OpenFile("big.bin", FileAccess::Read, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(download);
    std::string head(65536, '\0');
    ASSERT_EQ(download->Read(head.data(), head.size()), static_cast<long>(head.size()));
    const int readOnly = ::open(server.PathOf("pub/big.bin").c_str(), O_RDONLY | O_CLOEXEC);
    FailedSide side = FailedSide::Server;
    EXPECT_EQ(download->ReceiveInto(readOnly, 1 << 20, side), -1);
    EXPECT_EQ(side, FailedSide::LocalFile);
    EXPECT_EQ(download->ReceiveInto(readOnly, 1 << 20, side), -1) << "decrypted bytes were lost silently";
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    ::close(readOnly);
    download->Abort();
    // Its end depends on how far the server got: a busy machine lets it
    // hand the whole file to the kernel (226) before ABOR arrives.
    download->Close();
    download.reset();

    ASSERT_TRUE(connection->SetCurrentDirectory(server.ServerRoot() + "/incoming"));
    auto upload = connection->OpenFile("up.bin", FileAccess::Write, FTP_TRANSFER_TYPE_BINARY);
    ASSERT_TRUE(upload);
    ASSERT_TRUE(upload->Write(chunk.data(), chunk.size()));
    server.KillSessions();
    bool written = true;
    for (int i = 0; i < 256 && written; ++i)
        written = upload->Write(chunk.data(), chunk.size());
    EXPECT_FALSE(written) << "256 MiB went to a server that is gone";
    EXPECT_FALSE(upload->Close());
    connection->Close();
}

// The fallback to passive mode happens before the wrap: the connected
// socket is made TLS the same way the accepted one is.
TEST_F(PassiveTlsServer, ListsAndDownloadsByteExactInPassiveMode)
{
    const std::string payload = Binary(1'000'003);
    server.WriteFile("pub/data.bin", payload);
    auto connection = session.GetFtpConnection(Request(server.Port()));
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->Encryption().rfind("TLS 1.", 0), 0u) << connection->Encryption();
    ASSERT_TRUE(connection->SetCurrentDirectory(server.ServerRoot() + "/pub"));
    EXPECT_EQ(Listed(*connection).count("data.bin"), 1u) << GetLastError() << " " << GetLastResponseInfo();
    EXPECT_TRUE(Download(*connection, "data.bin") == payload) << GetLastError() << " " << GetLastResponseInfo();
    connection->Close();
}

// ftps:// speaks TLS from the first byte; a server that does is no place
// for a login that waits for a greeting in clear, which ends bounded.
TEST_F(ImplicitTlsServer, ImplicitTlsLogsInListsAndDownloadsAndOnlyItDoes)
{
    const std::string payload = Binary(100'003);
    server.WriteFile("pub/data.bin", payload);
    auto connection = session.GetFtpConnection(Request(server.Port(), TlsPolicy::Implicit));
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->Encryption().rfind("TLS 1.", 0), 0u) << connection->Encryption();
    ASSERT_TRUE(connection->SetCurrentDirectory(server.ServerRoot() + "/pub"));
    EXPECT_TRUE(Download(*connection, "data.bin") == payload) << GetLastError() << " " << GetLastResponseInfo();
    connection->Close();

    EngineTimeouts quick;
    quick.reply = 1000ms;
    quick.handshake = 1000ms;
    session.SetTimeouts(quick);
    for (const TlsPolicy explicitOrClear : {TlsPolicy::Demanded, TlsPolicy::WhenOffered})
        EXPECT_THROW(session.GetFtpConnection(Request(server.Port(), explicitOrClear)), InternetException);
}

TEST_F(SelfSignedServer, AnUnverifiedCertificateIsDescribedAndUsedOnlyOnceTrusted)
{
    const ServerCertificate certificate = Refused(Request(server.Port()));
    EXPECT_NE(certificate.problem.find("self-signed"), std::string::npos) << certificate.problem;
    EXPECT_NE(certificate.subject.find("Vantrel self-signed test"), std::string::npos) << certificate.subject;
    EXPECT_EQ(certificate.subject, certificate.issuer);
    EXPECT_FALSE(certificate.notBefore.empty());
    EXPECT_FALSE(certificate.notAfter.empty());
    EXPECT_EQ(certificate.fingerprint.size(), 32u * 3 - 1) << certificate.fingerprint;

    FtpLoginRequest trusting = Request(server.Port());
    trusting.trustedFingerprint = certificate.fingerprint;
    auto connection = session.GetFtpConnection(trusting);
    ASSERT_TRUE(connection);
    std::vector<FtpListEntry> entries;
    EXPECT_TRUE(connection->List(entries));
    connection->Close();

    // A new certificate is not the trusted one.
    server.ReplaceCertificate();
    EXPECT_NE(Refused(trusting).fingerprint, certificate.fingerprint);
}

TEST_F(SelfSignedServer, DecliningTlsLogsInInClearWhereTheServerAllowsIt)
{
    try {
        session.GetFtpConnection(Request(server.Port(), TlsPolicy::Declined));
        ADD_FAILURE() << "vsftpd let a login in clear through";
    } catch (const InternetException& error) {
        // This server demands TLS, and says so.
        EXPECT_NE(error.GetErrorMessage().find("530"), std::string::npos) << error.GetErrorMessage();
    }
}

class ScriptedTls : public ::testing::Test {
protected:
    ScriptedTls()
    {
        EngineTimeouts timeouts;
        timeouts.connect = 2000ms;
        timeouts.reply = 2000ms;
        timeouts.handshake = 700ms;
        session.SetTimeouts(timeouts);
    }

    std::string LoginFailure(const ScriptedFtpServer& server, TlsPolicy tls)
    {
        FtpLoginRequest request;
        request.host = "127.0.0.1";
        request.port = server.Port();
        request.user = "anna";
        request.password = "secret";
        request.tls = tls;
        try {
            session.GetFtpConnection(request);
        } catch (const InternetException& error) {
            return error.GetErrorMessage();
        }
        return {};
    }

    InternetSession session;
};

const char* const tlsFeatures = "211-Features:\n AUTH TLS\n PBSZ\n PROT\n211 End";
const char* const plainFeatures = "211-Features:\n SIZE\n211 End";

// Every way TLS cannot begin ends the login before USER, bounded, with a
// message that says what happened.
TEST_F(ScriptedTls, NoLoginGoesOnWhenTlsCannotBegin)
{
    struct Case {
        const char* what;
        TlsPolicy tls;
        const char* features;  // FEAT's reply, asked first by a plain domain only
        ScriptedFtpServer::Step answer;  // to AUTH TLS
        const char* message;
    };
    const Case cases[] = {
        {"ftpes:// and a server without TLS", TlsPolicy::Demanded, nullptr,
         ScriptedFtpServer::Reply("500 AUTH not understood."), "does not offer TLS"},
        {"TLS listed, refused, and the site written ftpes://", TlsPolicy::Demanded, nullptr,
         ScriptedFtpServer::Reply("500 This security scheme is not implemented"), "does not offer TLS"},
        {"TLS listed, answered with neither go-ahead nor refusal", TlsPolicy::WhenOffered, tlsFeatures,
         ScriptedFtpServer::Reply("200 Whatever you say."), "neither a go-ahead nor a refusal: 200"},
        {"closed in the handshake", TlsPolicy::WhenOffered, tlsFeatures,
         ScriptedFtpServer::ReplyThenClose("234 Go ahead.\r\n"), "TLS handshake with the server failed"},
        {"garbage in the handshake", TlsPolicy::Demanded, nullptr,
         ScriptedFtpServer::Raw("234 Go ahead.\r\n220 this is no TLS record at all\r\n"),
         "something other than TLS"},
        {"silence in the handshake", TlsPolicy::Demanded, nullptr, ScriptedFtpServer::Reply("234 Go ahead."),
         "did not complete the TLS handshake in time"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedFtpServer server;
        // ftpes:// starts with AUTH TLS; a plain domain asks FEAT first.
        Commands opening{"AUTH TLS"};
        if (c.features) {
            server.Then(c.features);
            opening.insert(opening.begin(), "FEAT");
        }
        server.Then(c.answer);
        const auto start = std::chrono::steady_clock::now();
        const std::string message = LoginFailure(server, c.tls);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        const Commands commands = server.Commands();
        ASSERT_GE(commands.size(), opening.size());
        EXPECT_EQ(Commands(commands.begin(), commands.begin() + opening.size()), opening);
        for (const std::string& command : commands)
            EXPECT_NE(command.rfind("USER", 0), 0u) << "the user name went out";
    }
}

// Stock pure-ftpd lists AUTH TLS but has no certificate: for a plain domain
// its refusal is no offer, and the login goes on in clear.
TEST_F(ScriptedTls, ARefusedAuthTlsOnAPlainDomainLogsInInClear)
{
    for (const char* refusal : {"500 This security scheme is not implemented", "431 Unavailable."}) {
        SCOPED_TRACE(refusal);
        ScriptedFtpServer server;
        server.Then(tlsFeatures);
        server.Then(refusal);
        server.Then("331 Password required.");
        server.Then("230 Logged in.");
        EXPECT_EQ(LoginFailure(server, TlsPolicy::WhenOffered), "");
        const Commands commands = server.Commands();
        ASSERT_GE(commands.size(), 4u);
        EXPECT_EQ(Commands(commands.begin(), commands.begin() + 4),
                  (Commands{"FEAT", "AUTH TLS", "USER anna", "PASS secret"}));
    }
}

// An engine installed without its TLS module: an encrypted login ends before
// USER with a message that names the module.
TEST(TlsModule, AMissingModuleEndsAnEncryptedLoginBeforeTheUserName)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("vantrel-engine-alone-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path engine = folder / kEngineModuleName;
    std::filesystem::copy_file(std::filesystem::path(ExecutableDir()) / kEngineModuleName, engine,
                               std::filesystem::copy_options::overwrite_existing);
    std::string error;
    const OpenFtpConnectionFunction open = LoadEngineModuleFrom(engine.string(), error);
    ASSERT_NE(open, nullptr) << error;

    ScriptedFtpServer server;
    server.Then("234 Go ahead.");
    FtpLoginRequest request;
    request.host = "127.0.0.1";
    request.port = server.Port();
    request.user = "anna";
    request.tls = TlsPolicy::Demanded;
    FtpLoginOutcome outcome;
    EXPECT_EQ(open(EngineTimeouts{}, request, outcome), nullptr);
    EXPECT_NE(outcome.result.cause.find("The TLS module could not be loaded: " + (folder / "libvantrel-tls.so").string()),
              std::string::npos) << outcome.result.cause;
    EXPECT_EQ(server.Commands(), (Commands{"AUTH TLS"}));
    std::filesystem::remove_all(folder);
}

}  // namespace
