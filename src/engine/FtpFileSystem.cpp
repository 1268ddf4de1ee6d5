#include "engine/FtpFileSystem.h"

#include "engine/FtpDataFile.h"
#include "engine/FtpListParser.h"
#include "engine/FtpReplyRules.h"
#include "engine/FtpServerNotes.h"
#include "engine/TlsLayer.h"

#include <Poco/DigestEngine.h>
#include <Poco/Exception.h>
#include <Poco/MD5Engine.h>
#include <Poco/SHA1Engine.h>
#include <Poco/SHA2Engine.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <vector>

namespace {

constexpr std::chrono::milliseconds quitBound{2000};
constexpr std::size_t maxListingBytes = 256u << 20;
constexpr std::size_t listingChunk = 65536;

constexpr std::size_t digestPiece = 64 * 1024;
// A server reads the whole file before it answers a hash command; this
// much a second is slow for that.
constexpr std::uint64_t slowestHashBytesPerSecond = 50ull << 20;

template <typename Engine>
std::unique_ptr<Poco::DigestEngine> MakeEngine()
{
    return std::make_unique<Engine>();
}

struct HashWay {
    const char* algorithm;  // also OPTS HASH's argument, for HASH
    const char* command;    // the verb that asks for the file's digest
    std::unique_ptr<Poco::DigestEngine> (*makeEngine)();
};

HashWay WayOf(HashCommand command)
{
    switch (command) {
    case HashCommand::HashSha256: return {"SHA-256", "HASH", &MakeEngine<Poco::SHA2Engine>};
    case HashCommand::HashSha1: return {"SHA-1", "HASH", &MakeEngine<Poco::SHA1Engine>};
    case HashCommand::XSha256: return {"SHA-256", "XSHA256", &MakeEngine<Poco::SHA2Engine>};
    case HashCommand::XSha1: return {"SHA-1", "XSHA1", &MakeEngine<Poco::SHA1Engine>};
    default: return {"MD5", "XMD5", &MakeEngine<Poco::MD5Engine>};
    }
}

// The local file's digest from its first byte; errno on a failed read.
int LocalDigest(int fd, Poco::DigestEngine& engine, std::string& hex)
{
    std::vector<char> piece(digestPiece);
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, piece.data(), piece.size(), at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            break;
        engine.update(piece.data(), static_cast<unsigned>(got));
        at += got;
    }
    hex = Poco::DigestEngine::digestToHex(engine.digest());
    return 0;
}

std::string WithArgument(const std::string& verb, const std::string& argument)
{
    return argument.empty() ? verb : verb + " " + argument;
}

}  // namespace

FtpFileSystem::BusyHold::BusyHold(std::atomic<bool>& busy) : busy(busy)
{
    bool expected = false;
    acquired = busy.compare_exchange_strong(expected, true);
}

FtpFileSystem::BusyHold::~BusyHold()
{
    if (acquired)
        busy = false;
}

FtpFileSystem::FtpFileSystem(const EngineTimeouts& timeouts) : channel(timeouts) {}

FtpFileSystem::~FtpFileSystem()
{
    End();
}

EngineResult FtpFileSystem::Result(bool done) const
{
    return done ? EngineResult{} : channel.Failure();
}

EngineResult FtpFileSystem::Login(const FtpLoginRequest& request, FtpLoginOutcome& outcome)
{
    if (!channel.CheckArgument(request.user) || !channel.CheckArgument(request.password) ||
        !channel.Connect(request.host, request.port))
        return channel.Failure();
    const FtpServerNotes notes = ParseServerNotes(request.serverNotes);
    rememberedMode = notes.mode;
    connector.emplace(channel, notes.mode.value_or(ChooseDataMode(channel.LocalAddress().host().toString(),
                                                                  channel.PeerAddress().host().toString())));
    // A server met before starts in the default type, ASCII, as RFC 959 has
    // it: a listing needs no TYPE.
    if (!request.serverNotes.empty())
        currentType = FTP_TRANSFER_TYPE_ASCII;
    FtpLogin login(channel, request, notes);
    const bool loggedIn = login.Run(outcome);
    features = login.Features();
    tls = login.TakeTls();
    return Result(loggedIn);
}

// Data connections in TLS as well, resuming the control connection's session.
bool FtpFileSystem::SecureData(Poco::Net::StreamSocket& data)
{
    try {
        data = tls->SecureData(data);
    } catch (const Poco::TimeoutException&) {
        return channel.Fail(ERROR_INTERNET_TIMEOUT,
                            "The server did not complete the data connection's TLS handshake in time");
    } catch (const Poco::Exception& error) {
        return channel.Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                            "The data connection's TLS handshake failed: " + SocketErrorText(error));
    }
    return true;
}

std::string FtpFileSystem::Encryption() const
{
    return tls ? tls->Version() : std::string();
}

std::string FtpFileSystem::ServerNotes() const
{
    FtpServerNotes notes;
    notes.spokeTls = tls != nullptr;
    notes.mode = connector && connector->Settled() ? connector->Settled() : rememberedMode;
    notes.features = features;
    return FormatServerNotes(notes);
}

bool FtpFileSystem::Command(const std::string& verb, const std::string& argument, ReplyClass expected)
{
    FtpReply reply;
    return Command(verb, argument, expected, reply);
}

bool FtpFileSystem::Command(const std::string& verb, const std::string& argument, ReplyClass expected,
                            FtpReply& reply)
{
    return channel.Exchange(WithArgument(verb, argument), reply) && channel.Expect(reply, expected);
}

EngineResult FtpFileSystem::SimpleOperation(const std::string& verb, const std::string& argument)
{
    BusyHold hold(busy);
    if (!hold.Acquired())
        return EngineResult::Failure(ERROR_FTP_TRANSFER_IN_PROGRESS);
    return Result(channel.CheckArgument(argument) && Command(verb, argument, ReplyClass::Complete));
}

EngineResult FtpFileSystem::ChangeFolder(const std::string& folder)
{
    return SimpleOperation("CWD", folder);
}

EngineResult FtpFileSystem::RemoveFile(const std::string& name)
{
    return SimpleOperation("DELE", name);
}

EngineResult FtpFileSystem::RemoveFolder(const std::string& name)
{
    return SimpleOperation("RMD", name);
}

EngineResult FtpFileSystem::MakeFolder(const std::string& name)
{
    return SimpleOperation("MKD", name);
}

EngineResult FtpFileSystem::CurrentFolder(std::string& folder)
{
    BusyHold hold(busy);
    if (!hold.Acquired())
        return EngineResult::Failure(ERROR_FTP_TRANSFER_IN_PROGRESS);
    FtpReply reply;
    if (!Command("PWD", "", ReplyClass::Complete, reply))
        return channel.Failure();
    // Parsed aside: a quote left open would otherwise leave half a path behind.
    std::string path;
    if (!ParsePwdReply(reply, path))
        return Result(
            channel.Fail(ERROR_INTERNET_BAD_REPLY, "The server's answer to PWD holds no quoted path: " + reply.text));
    folder = path;
    return {};
}

EngineResult FtpFileSystem::Rename(const std::string& oldName, const std::string& newName)
{
    BusyHold hold(busy);
    if (!hold.Acquired())
        return EngineResult::Failure(ERROR_FTP_TRANSFER_IN_PROGRESS);
    return Result(channel.CheckArgument(oldName) && channel.CheckArgument(newName) &&
                  Command("RNFR", oldName, ReplyClass::Intermediate) && Command("RNTO", newName, ReplyClass::Complete));
}

// Binary, since a server counts an ASCII file's size after conversion, if at all.
EngineResult FtpFileSystem::Size(const std::string& name, std::uint64_t& size)
{
    BusyHold hold(busy);
    if (!hold.Acquired())
        return EngineResult::Failure(ERROR_FTP_TRANSFER_IN_PROGRESS);
    FtpReply reply;
    if (!channel.CheckArgument(name) || !SetType(FTP_TRANSFER_TYPE_BINARY) ||
        !Command("SIZE", name, ReplyClass::Complete, reply))
        return channel.Failure();
    if (!ParseSizeReply(reply, size))
        return Result(
            channel.Fail(ERROR_INTERNET_BAD_REPLY, "The server's answer to SIZE holds no size: " + reply.text));
    return {};
}

bool FtpFileSystem::RemoteDigest(const std::string& name, std::uint64_t bytes, std::size_t hexLength, std::string& hex)
{
    const HashWay way = WayOf(features.hash);
    const bool choosesAlgorithm = way.command == std::string("HASH");
    if (choosesAlgorithm && !Command("OPTS", std::string("HASH ") + way.algorithm, ReplyClass::Complete))
        return false;
    FtpReply reply;
    const std::chrono::seconds hashing(bytes / slowestHashBytesPerSecond);
    if (!channel.SendCommand(WithArgument(way.command, name)) || !channel.ReadReply(reply, hashing) ||
        !channel.Expect(reply, ReplyClass::Complete))
        return false;
    if (!ParseDigestReply(reply, hexLength, hex))
        return channel.Fail(ERROR_INTERNET_BAD_REPLY,
                            std::string("The server's answer to ") + way.command + " holds no digest: " + reply.text);
    return true;
}

EngineResult FtpFileSystem::CompareDigests(const std::string& name, int fd, FileDigests& digests)
{
    digests = {};
    if (features.hash == HashCommand::None)
        return {};
    BusyHold hold(busy);
    if (!hold.Acquired())
        return EngineResult::Failure(ERROR_FTP_TRANSFER_IN_PROGRESS);
    const HashWay way = WayOf(features.hash);
    const auto engine = way.makeEngine();
    FileDigests found;
    found.algorithm = way.algorithm;
    struct stat local {};
    if (::fstat(fd, &local) != 0)
        return EngineResult::Failure(errno, {}, FailedSide::LocalFile);
    const std::size_t hexLength = engine->digestLength() * 2;
    if (!channel.CheckArgument(name) ||
        !RemoteDigest(name, static_cast<std::uint64_t>(local.st_size), hexLength, found.remote))
        return channel.Failure();
    if (const int error = LocalDigest(fd, *engine, found.local))
        return EngineResult::Failure(error, {}, FailedSide::LocalFile);
    digests = found;
    return {};
}

void FtpFileSystem::End()
{
    BusyHold hold(busy);
    if (!hold.Acquired() || !channel.IsOpen())
        return;
    FtpReply reply;
    // The answer to QUIT changes nothing: the socket closes either way.
    if (channel.SendCommand("QUIT"))
        channel.ReadReplyWithin(reply, std::min(quitBound, channel.Timeouts().reply));
    channel.Close();
}

bool FtpFileSystem::SetType(TransferType type)
{
    if (type == currentType)
        return true;
    if (type != FTP_TRANSFER_TYPE_ASCII && type != FTP_TRANSFER_TYPE_BINARY)
        return channel.Fail(ERROR_INTERNET_INVALID_ARGUMENT, "Unknown transfer type " + std::to_string(type));
    if (!Command("TYPE", type == FTP_TRANSFER_TYPE_ASCII ? "A" : "I", ReplyClass::Complete))
        return false;
    currentType = type;
    return true;
}

std::unique_ptr<FtpDataFile> FtpFileSystem::StartTransfer(const std::string& command, TransferType type,
                                                          std::uint64_t offset, std::atomic<bool>* heldBusy)
{
    Poco::Net::StreamSocket data;
    if (!SetType(type) || !connector->Open(command, offset, data))
        return nullptr;
    if (tls && !SecureData(data))
        return nullptr;
    return std::make_unique<FtpDataFile>(FtpTransferEnd(channel, heldBusy), std::move(data), tls.get(), offset);
}

EngineResult FtpFileSystem::Open(const std::string& name, FileAccess access, TransferType type, std::uint64_t offset,
                                 std::unique_ptr<RemoteFile>& file)
{
    BusyHold hold(busy);
    if (!hold.Acquired())
        return EngineResult::Failure(ERROR_FTP_TRANSFER_IN_PROGRESS);
    if (!channel.CheckArgument(name))
        return channel.Failure();
    file = StartTransfer((access == FileAccess::Read ? "RETR " : "STOR ") + name, type, offset, &busy);
    if (!file && access == FileAccess::Write && channel.Failure().code == ERROR_FTP_RESUME_REFUSED)
        file = Append(name, type);
    if (!file)
        return channel.Failure();
    hold.HandOver();
    return {};
}

// A server without REST for STOR may still append, which is the same for a
// remote part as long as the offset; one that refuses that too will not resume.
std::unique_ptr<FtpDataFile> FtpFileSystem::Append(const std::string& name, TransferType type)
{
    auto file = StartTransfer("APPE " + name, type, 0, &busy);
    if (!file && channel.Failure().code == ERROR_INTERNET_EXTENDED_ERROR) {
        FtpReply refused;
        refused.text = channel.Failure().response;
        channel.FailWithReply(refused, ERROR_FTP_RESUME_REFUSED);
    }
    return file;
}

EngineResult FtpFileSystem::ReadAll(RemoteFile& file, std::string& contents)
{
    contents.clear();
    for (;;) {
        const std::size_t had = contents.size();
        if (had >= maxListingBytes)
            return Abandon(file, EngineResult::Failure(ERROR_INTERNET_BAD_REPLY, "The directory listing is too large"));
        contents.resize(had + listingChunk);
        std::size_t received = 0;
        const EngineResult read = file.Read(contents.data() + had, listingChunk, received);
        contents.resize(had + received);
        if (!read.Ok())
            return Abandon(file, read);
        if (received == 0)
            return file.Close();
    }
}

EngineResult FtpFileSystem::List(std::vector<FtpListEntry>& entries)
{
    BusyHold hold(busy);
    if (!hold.Acquired())
        return EngineResult::Failure(ERROR_FTP_TRANSFER_IN_PROGRESS);
    auto file = StartTransfer(features.mlsd ? "MLSD" : "LIST", FTP_TRANSFER_TYPE_ASCII, 0, nullptr);
    if (!file)
        return channel.Failure();
    // The window waits for it: a server that trickles it is cut off.
    file->RequirePace(channel.Timeouts().listingWindowBytes, channel.Timeouts().listingWindow);
    std::string listing;
    const EngineResult read = ReadAll(*file, listing);
    if (read.Ok())
        entries = ParseListing(listing, features.mlsd, std::time(nullptr));
    return read;
}
