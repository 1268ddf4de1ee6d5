#include "engine/FtpControlConnection.h"

#include "engine/ActiveDataListener.h"
#include "engine/FtpDataFile.h"
#include "engine/FtpReplyRules.h"
#include "platform/LastError.h"
#include "engine/LocalDownloadFile.h"
#include "engine/PassiveDataConnector.h"
#include "engine/TlsLayer.h"

#include <Poco/Exception.h>

#include <algorithm>
#include <vector>

namespace {

constexpr std::chrono::milliseconds quitBound{2000};
constexpr std::chrono::milliseconds aborReplyBound{2000};
constexpr std::size_t maxListingBytes = 256u << 20;
constexpr std::size_t listingChunk = 65536;
constexpr std::size_t downloadChunk = 1u << 20;

std::string WithArgument(const std::string& verb, const std::string& argument)
{
    return argument.empty() ? verb : verb + " " + argument;
}

}  // namespace

FtpControlConnection::BusyHold::BusyHold(std::atomic<bool>& busy) : busy(busy)
{
    bool expected = false;
    acquired = busy.compare_exchange_strong(expected, true);
    if (!acquired)
        SetLastError(ERROR_FTP_TRANSFER_IN_PROGRESS);
}

FtpControlConnection::BusyHold::~BusyHold()
{
    if (acquired)
        busy = false;
}

FtpControlConnection::FtpControlConnection(const EngineTimeouts& timeouts) : channel(timeouts) {}

FtpControlConnection::~FtpControlConnection()
{
    Close();
}

bool FtpControlConnection::Login(const FtpLoginRequest& request, FtpLoginOutcome& outcome)
{
    if (!CheckArgument(request.user) || !CheckArgument(request.password))
        return false;
    if (!channel.Connect(request.host, request.port) || !ReadGreeting())
        return false;
    dataMode = ChooseDataMode(channel.LocalAddress().host().toString(), channel.PeerAddress().host().toString());
    const bool featuresRead = ReadFeatures();
    if (!channel.IsOpen() || !NegotiateTls(request, outcome) || !SendUser(request.user, request.password))
        return false;
    if (tls && !ProtectData())
        return false;
    if (!featuresRead)
        ReadFeatures();
    FtpReply reply;
    if (utf8)
        channel.Exchange("OPTS UTF8 ON", reply);  // names travel as bytes either way
    return true;
}

bool FtpControlConnection::NegotiateTls(const FtpLoginRequest& request, FtpLoginOutcome& outcome)
{
    if (request.tls == TlsPolicy::Declined || (request.tls == TlsPolicy::WhenOffered && !tlsOffered))
        return true;
    FtpReply reply;
    if (!channel.Exchange("AUTH TLS", reply))
        return false;
    // Stock pure-ftpd lists AUTH TLS without a certificate and refuses it: for a
    // plain domain a refusal before any handshake byte is the same as no offer.
    const bool refused = reply.Class() == ReplyClass::Transient || reply.Class() == ReplyClass::Permanent;
    if (refused && request.tls == TlsPolicy::WhenOffered)
        return true;
    if (reply.code != 234) {
        const std::string why = request.tls == TlsPolicy::Demanded
                                    ? "The server does not offer TLS, which a site written ftpes:// requires; "
                                      "nothing else was sent. It answered AUTH TLS with: "
                                    : "The server answered AUTH TLS with neither a go-ahead nor a refusal: ";
        return channel.Break(ERROR_INTERNET_SECURITY_CHANNEL_ERROR, why + reply.text);
    }
    std::string loadError;
    tls = MakeTlsLayer(request.host, request.trustedFingerprint, channel.Timeouts().handshake, loadError);
    if (!tls)
        return channel.Break(ERROR_INTERNET_INTERNAL_ERROR, "The TLS module could not be loaded: " + loadError);
    if (!channel.StartTls(*tls))
        return false;
    if (tls->Verdict() != TlsLayer::Trust::Untrusted)
        return true;
    outcome.certificateState = FtpLoginOutcome::Certificate::Untrusted;
    outcome.certificate = tls->Certificate();
    return channel.Break(ERROR_INTERNET_INVALID_CA,
                         "The server's certificate is not trusted: " + tls->Certificate().problem);
}

// Data connections in TLS as well; a server that will not is left before a
// byte of a file goes in clear.
bool FtpControlConnection::ProtectData()
{
    FtpReply reply;
    if (!channel.Exchange("PBSZ 0", reply))
        return false;
    if (reply.Class() == ReplyClass::Complete && !channel.Exchange("PROT P", reply))
        return false;
    if (reply.Class() != ReplyClass::Complete)
        return channel.Break(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                             "The server refused to encrypt the data connections: " + reply.text);
    return true;
}

bool FtpControlConnection::SecureData(Poco::Net::StreamSocket& data)
{
    try {
        data = tls->SecureData(data);
    } catch (const Poco::TimeoutException&) {
        return channel.Fail(ERROR_INTERNET_TIMEOUT, "The server did not complete the data connection's TLS handshake in time");
    } catch (const Poco::Exception& error) {
        return channel.Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                            "The data connection's TLS handshake failed: " + SocketErrorText(error));
    }
    return true;
}

void FtpControlConnection::KeepTlsTickets(Poco::Net::StreamSocket& data, std::chrono::milliseconds wait)
{
    if (tls)
        tls->KeepTickets(data, wait);
}

std::string FtpControlConnection::Encryption() const
{
    return tls ? tls->Version() : std::string();
}

bool FtpControlConnection::ReadGreeting()
{
    FtpReply reply;
    do {
        if (!channel.ReadReply(reply))
            return false;
    } while (reply.Class() == ReplyClass::Preliminary);  // 120: ready in a while
    if (reply.Class() != ReplyClass::Complete)
        return channel.FailWithReply(reply);
    return true;
}

bool FtpControlConnection::SendUser(const std::string& user, const std::string& password)
{
    FtpReply reply;
    if (!channel.Exchange("USER " + user, reply))
        return false;
    if (reply.Class() == ReplyClass::Complete)
        return true;
    if (reply.code != 331)
        return channel.FailWithReply(reply);  // also 332: accounts are not supported
    if (!channel.Exchange("PASS " + password, reply))
        return false;
    if (reply.Class() != ReplyClass::Complete)
        return channel.FailWithReply(reply);
    return true;
}

bool FtpControlConnection::ReadFeatures()
{
    FtpReply reply;
    if (!channel.Exchange("FEAT", reply))
        return true;
    // Servers without FEAT are fine: they get LIST and no UTF-8 option.
    if (reply.Class() == ReplyClass::Complete)
        TakeFeatures(reply);
    return reply.code != 530;
}

void FtpControlConnection::TakeFeatures(const FtpReply& reply)
{
    const std::vector<std::string> names = FeatureNames(reply.text);
    const auto lists = [&names](const char* name) { return std::find(names.begin(), names.end(), name) != names.end(); };
    // MLST implies MLSD (RFC 3659), and most servers list only MLST.
    mlsd = lists("MLSD") || lists("MLST");
    utf8 = lists("UTF8");
    tlsOffered = FeaturesOfferTls(reply.text);
}

bool FtpControlConnection::CheckArgument(const std::string& argument)
{
    if (argument.find_first_of(std::string("\r\n\0", 3)) == std::string::npos)
        return true;
    return channel.Fail(ERROR_INTERNET_INVALID_ARGUMENT, "A name may not contain a line break or a NUL character");
}

bool FtpControlConnection::Command(const std::string& verb, const std::string& argument, ReplyClass expected)
{
    FtpReply reply;
    return Command(verb, argument, expected, reply);
}

bool FtpControlConnection::Command(const std::string& verb, const std::string& argument, ReplyClass expected,
                                   FtpReply& reply)
{
    if (!channel.Exchange(WithArgument(verb, argument), reply))
        return false;
    if (reply.Class() != expected)
        return channel.FailWithReply(reply);
    return true;
}

bool FtpControlConnection::SimpleOperation(const std::string& verb, const std::string& argument)
{
    BusyHold hold(busy);
    return hold.Acquired() && CheckArgument(argument) && Command(verb, argument, ReplyClass::Complete);
}

bool FtpControlConnection::SetCurrentDirectory(const std::string& directory)
{
    return SimpleOperation("CWD", directory);
}

bool FtpControlConnection::Remove(const std::string& name)
{
    return SimpleOperation("DELE", name);
}

bool FtpControlConnection::RemoveDirectory(const std::string& name)
{
    return SimpleOperation("RMD", name);
}

bool FtpControlConnection::CreateDirectory(const std::string& name)
{
    return SimpleOperation("MKD", name);
}

bool FtpControlConnection::GetCurrentDirectory(std::string& directory)
{
    BusyHold hold(busy);
    FtpReply reply;
    if (!hold.Acquired() || !Command("PWD", "", ReplyClass::Complete, reply))
        return false;
    // Parsed aside: a quote left open would otherwise leave half a path behind.
    std::string path;
    if (!ParsePwdReply(reply, path))
        return channel.Fail(ERROR_INTERNET_BAD_REPLY, "The server's answer to PWD holds no quoted path: " + reply.text);
    directory = path;
    return true;
}

bool FtpControlConnection::Rename(const std::string& oldName, const std::string& newName)
{
    BusyHold hold(busy);
    return hold.Acquired() && CheckArgument(oldName) && CheckArgument(newName) &&
           Command("RNFR", oldName, ReplyClass::Intermediate) && Command("RNTO", newName, ReplyClass::Complete);
}

void FtpControlConnection::Close()
{
    BusyHold hold(busy);
    if (!hold.Acquired() || !channel.IsOpen())
        return;
    FtpReply reply;
    // The answer to QUIT changes nothing: the socket closes either way.
    if (channel.SendCommand("QUIT"))
        channel.ReadReply(reply, std::min(quitBound, channel.Timeouts().reply));
    channel.Close();
}

bool FtpControlConnection::SetType(TransferType type)
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

bool FtpControlConnection::OpenDataConnection(const std::string& command, Poco::Net::StreamSocket& data)
{
    const DataStep first = TryDataMode(dataMode, command, data);
    if (first == DataStep::Done)
        dataModeSettled = true;
    if (first != DataStep::ModeFailed || dataModeSettled)
        return first == DataStep::Done;
    const std::string firstCause = channel.Cause();
    const DataMode other = OtherMode(dataMode);
    const DataStep second = TryDataMode(other, command, data);
    if (second == DataStep::Done) {
        dataMode = other;
        dataModeSettled = true;
        return true;
    }
    if (second == DataStep::Failed)
        return false;
    // One message for the user, as the server's reply would be.
    FtpReply both;
    both.text = std::string("No data connection in ") + ModeName(dataMode) + " mode (" + firstCause + ") nor in " +
                ModeName(other) + " mode (" + channel.Cause() + ")";
    return channel.FailWithReply(both);
}

FtpControlConnection::DataStep FtpControlConnection::TryDataMode(DataMode mode, const std::string& command,
                                                                 Poco::Net::StreamSocket& data)
{
    return mode == DataMode::Active ? OpenActive(command, data) : OpenPassive(command, data);
}

FtpControlConnection::DataStep FtpControlConnection::OpenActive(const std::string& command,
                                                                Poco::Net::StreamSocket& data)
{
    ActiveDataListener listener(channel);
    if (!listener.Open())
        return DataStep::ModeFailed;
    const DataStep announced = AnnounceListener(listener);
    if (announced != DataStep::Done)
        return announced;
    if (!channel.SendCommand(command))
        return DataStep::Failed;
    return AwaitDataConnection(listener, data);
}

FtpControlConnection::DataStep FtpControlConnection::OpenPassive(const std::string& command,
                                                                 Poco::Net::StreamSocket& data)
{
    unsigned port = 0;
    const DataStep requested = RequestPassivePort(port);
    if (requested != DataStep::Done)
        return requested;
    PassiveDataConnector connector(channel);
    if (!connector.Connect(port, data))
        return DataStep::ModeFailed;
    if (!channel.SendCommand(command))
        return DataStep::Failed;
    return AwaitPreliminary();
}

// A 5xx to a mode's set-up command refuses the mode; anything else is the
// command's failure.
FtpControlConnection::DataStep FtpControlConnection::Refused(const FtpReply& reply)
{
    channel.FailWithReply(reply);
    return reply.Class() == ReplyClass::Permanent ? DataStep::ModeFailed : DataStep::Failed;
}

FtpControlConnection::DataStep FtpControlConnection::AnnounceListener(ActiveDataListener& listener)
{
    FtpReply reply;
    if (!eprtRefused) {
        if (!channel.Exchange("EPRT " + listener.EprtArgument(), reply))
            return DataStep::Failed;
        const EprtOutcome outcome = ReadEprtReply(reply);
        if (outcome == EprtOutcome::Accepted)
            return DataStep::Done;
        if (outcome == EprtOutcome::Refused)
            return Refused(reply);
        eprtRefused = true;
    }
    if (listener.IsIPv6()) {
        channel.Fail(ERROR_INTERNET_EXTENDED_ERROR, "The server knows no EPRT, and PORT cannot carry an IPv6 address");
        return DataStep::ModeFailed;
    }
    if (!channel.Exchange("PORT " + listener.PortArgument(), reply))
        return DataStep::Failed;
    return reply.Class() == ReplyClass::Complete ? DataStep::Done : Refused(reply);
}

FtpControlConnection::DataStep FtpControlConnection::AwaitDataConnection(ActiveDataListener& listener,
                                                                         Poco::Net::StreamSocket& data)
{
    const auto deadline = std::chrono::steady_clock::now() + channel.Timeouts().dataAccept;
    // Some servers connect as soon as they get EPRT, before they even look at
    // the command, so the transfer has begun only with both the connection
    // and the 150; either may come first.
    bool accepted = false;
    bool started = false;
    while (!accepted || !started) {
        auto event = ActiveDataListener::Event::ControlInput;
        if (!accepted && !listener.Wait(deadline, event))
            return DataStep::Failed;
        if (event == ActiveDataListener::Event::Deadline) {
            // Behind a NAT the server's connection never arrives.
            channel.Fail(ERROR_INTERNET_TIMEOUT, "Timed out waiting for the server's data connection");
            return DataStep::ModeFailed;
        }
        if (event == ActiveDataListener::Event::DataConnection) {
            if (!listener.Accept(data))
                return DataStep::Failed;
            accepted = true;
            continue;
        }
        const DataStep preliminary = AwaitPreliminary();
        if (preliminary != DataStep::Done)
            return preliminary;
        started = true;
    }
    return DataStep::Done;
}

FtpControlConnection::DataStep FtpControlConnection::RequestPassivePort(unsigned& port)
{
    FtpReply reply;
    if (!epsvRefused) {
        if (!channel.Exchange("EPSV", reply))
            return DataStep::Failed;
        if (ParseEpsvReply(reply, port))
            return DataStep::Done;
        if (reply.Class() != ReplyClass::Permanent) {
            channel.Fail(ERROR_INTERNET_BAD_REPLY, "The server's answer to EPSV names no port: " + reply.text);
            return DataStep::ModeFailed;
        }
        epsvRefused = true;
    }
    if (!channel.Exchange("PASV", reply))
        return DataStep::Failed;
    if (ParsePasvReply(reply, port))
        return DataStep::Done;
    if (reply.Class() == ReplyClass::Permanent)
        return Refused(reply);
    channel.Fail(ERROR_INTERNET_BAD_REPLY, "The server's answer to PASV names no port: " + reply.text);
    return DataStep::ModeFailed;
}

// The reply that starts a transfer; 425 and 426 say the data connection
// could not be made or was lost, which the other mode may mend.
FtpControlConnection::DataStep FtpControlConnection::AwaitPreliminary()
{
    FtpReply reply;
    if (!channel.ReadReply(reply))
        return DataStep::Failed;
    if (RefusesDataConnection(reply)) {
        channel.FailWithReply(reply);
        return DataStep::ModeFailed;
    }
    if (reply.IsError()) {
        channel.FailWithReply(reply);
        return DataStep::Failed;
    }
    if (reply.Class() != ReplyClass::Preliminary) {
        channel.Fail(ERROR_INTERNET_BAD_REPLY, "The server answered without opening the data connection: " + reply.text);
        return DataStep::Failed;
    }
    return DataStep::Done;
}

std::unique_ptr<FtpDataFile> FtpControlConnection::StartTransfer(const std::string& command, TransferType type,
                                                                 bool ownsConnection)
{
    Poco::Net::StreamSocket data;
    if (!SetType(type) || !OpenDataConnection(command, data))
        return nullptr;
    if (tls && !SecureData(data))
        return nullptr;
    return std::make_unique<FtpDataFile>(*this, std::move(data), ownsConnection,
                                         tls ? DataChannel::Encrypted : DataChannel::Clear);
}

std::unique_ptr<InternetFile> FtpControlConnection::OpenFile(const std::string& name, FileAccess access,
                                                             TransferType type)
{
    BusyHold hold(busy);
    if (!hold.Acquired() || !CheckArgument(name))
        return nullptr;
    auto file = StartTransfer((access == FileAccess::Read ? "RETR " : "STOR ") + name, type, true);
    if (file)
        hold.HandOver();
    return file;
}

bool FtpControlConnection::ReadFinalReply(FtpReply& reply, std::chrono::milliseconds bound)
{
    do {
        if (!channel.ReadReply(reply, bound))
            return false;
    } while (reply.Class() == ReplyClass::Preliminary);
    return true;
}

bool FtpControlConnection::FinishTransfer(bool aborted)
{
    if (aborted && !channel.SendCommand("ABOR"))
        return false;
    FtpReply reply;
    if (!ReadFinalReply(reply, channel.Timeouts().reply))
        return false;
    if (aborted) {
        // ABOR gets its own answer after the transfer's; one that comes late
        // is thrown away before the next command.
        FtpReply aborReply;
        if (channel.IsOpen())
            channel.ReadReply(aborReply, std::min(aborReplyBound, channel.Timeouts().reply));
    }
    if (reply.Class() != ReplyClass::Complete)
        return channel.FailWithReply(reply);
    return true;
}

bool FtpControlConnection::ReadAll(InternetFile& file, std::string& contents)
{
    contents.clear();
    for (;;) {
        const std::size_t had = contents.size();
        if (had >= maxListingBytes) {
            channel.Fail(ERROR_INTERNET_BAD_REPLY, "The directory listing is too large");
            return Abandon(file);
        }
        contents.resize(had + listingChunk);
        const long n = file.Read(contents.data() + had, listingChunk);
        contents.resize(had + static_cast<std::size_t>(std::max(n, 0L)));
        if (n < 0)
            return Abandon(file);
        if (n == 0)
            return file.Close();
    }
}

bool FtpControlConnection::ListDirectory(std::string& listing, bool& machineFormat)
{
    BusyHold hold(busy);
    if (!hold.Acquired())
        return false;
    machineFormat = mlsd;
    auto file = StartTransfer(mlsd ? "MLSD" : "LIST", FTP_TRANSFER_TYPE_ASCII, false);
    return file && ReadAll(*file, listing);
}

bool FtpControlConnection::GetFile(const std::string& remoteName, const std::string& localPath, bool failIfExists,
                                   TransferType type)
{
    BusyHold hold(busy);
    if (!hold.Acquired() || !CheckArgument(remoteName))
        return false;
    LocalDownloadFile local(type == FTP_TRANSFER_TYPE_ASCII);
    if (!local.Open(localPath, failIfExists))
        return false;
    auto file = StartTransfer("RETR " + remoteName, type, false);
    if (!file)
        return false;
    std::vector<char> buffer(downloadChunk);
    for (;;) {
        const long n = file->Read(buffer.data(), buffer.size());
        if (n == 0)
            return file->Close() && local.Finish();
        if (n < 0 || !local.Write(buffer.data(), static_cast<std::size_t>(n)))
            return Abandon(*file);
    }
}
