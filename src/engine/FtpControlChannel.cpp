#include "engine/FtpControlChannel.h"

#include "engine/TlsLayer.h"

#include <Poco/Exception.h>
#include <Poco/Net/NetException.h>

#include <sys/socket.h>

#include <utility>

namespace {

constexpr std::size_t receiveChunk = 16384;
constexpr std::chrono::milliseconds noWait{0};

std::string Where(const std::string& host, std::uint16_t port)
{
    return host + " port " + std::to_string(port);
}

}  // namespace

std::string SocketErrorText(const Poco::Exception& error)
{
    return error.message().empty() ? error.name() : error.message();
}

Poco::Timespan ToTimespan(std::chrono::milliseconds bound)
{
    return Poco::Timespan(static_cast<Poco::Timespan::TimeDiff>(bound.count()) * 1000);
}

FtpControlChannel::FtpControlChannel(const EngineTimeouts& timeouts) : timeouts(timeouts) {}

bool FtpControlChannel::Connect(const std::string& host, std::uint16_t port)
{
    Poco::Net::SocketAddress address;
    try {
        address = Poco::Net::SocketAddress(host, port);
    } catch (const Poco::Net::HostNotFoundException&) {
        return Fail(ERROR_INTERNET_NAME_NOT_RESOLVED, "Host not found: " + host);
    } catch (const Poco::Net::NoAddressFoundException&) {
        return Fail(ERROR_INTERNET_NAME_NOT_RESOLVED, "Host not found: " + host);
    } catch (const Poco::Exception& error) {
        return Fail(ERROR_INTERNET_NAME_NOT_RESOLVED, "Cannot resolve " + host + ": " + SocketErrorText(error));
    }
    return ConnectTo(address, host);
}

bool FtpControlChannel::ConnectTo(const Poco::Net::SocketAddress& address, const std::string& host)
{
    const std::string where = Where(host, address.port());
    try {
        socket.connect(address, ToTimespan(timeouts.connect));
    } catch (const Poco::Net::ConnectionRefusedException&) {
        return Fail(ERROR_INTERNET_CANNOT_CONNECT, "Connection refused by " + where);
    } catch (const Poco::TimeoutException&) {
        return Fail(ERROR_INTERNET_TIMEOUT, "Timed out connecting to " + where);
    } catch (const Poco::Exception& error) {
        return Fail(ERROR_INTERNET_CANNOT_CONNECT, "Cannot connect to " + where + ": " + SocketErrorText(error));
    }
    open = true;
    return true;
}

bool FtpControlChannel::StartTls(TlsLayer& client)
{
    // Bytes in clear after the 234 would be taken for the handshake's.
    if (assembler.HasBufferedInput())
        return Break(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                     "The server sent something other than TLS after agreeing to it");
    try {
        socket = client.SecureControl(socket);
    } catch (const Poco::TimeoutException&) {
        return Break(ERROR_INTERNET_TIMEOUT, "The server did not complete the TLS handshake in time");
    } catch (const Poco::Exception& error) {
        return Break(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                     "The TLS handshake with the server failed: " + SocketErrorText(error));
    }
    encrypted = true;
    return true;
}

bool FtpControlChannel::Exchange(const std::string& line, FtpReply& reply)
{
    return SendCommand(line) && ReadReply(reply);
}

bool FtpControlChannel::SendCommand(const std::string& line)
{
    return DiscardStaleInput() && Send(line);
}

bool FtpControlChannel::Send(const std::string& line)
{
    if (!open)
        return Fail(ERROR_INTERNET_CONNECTION_ABORTED, "The connection with the server is closed");
    const std::string wire = line + "\r\n";
    const auto deadline = Clock::now() + timeouts.reply;
    std::size_t sent = 0;
    try {
        while (sent < wire.size()) {
            const int n = socket.sendBytes(wire.data() + sent, static_cast<int>(wire.size() - sent), MSG_NOSIGNAL);
            if (n < 0 && encrypted) {
                if (!AwaitWritable(deadline))
                    return Break(ERROR_INTERNET_TIMEOUT, "Timed out sending to the server");
                continue;
            }
            if (n <= 0)
                return Break(ERROR_INTERNET_CONNECTION_ABORTED, "The server closed the connection");
            sent += static_cast<std::size_t>(n);
        }
    } catch (const Poco::Exception& error) {
        return Break(ERROR_INTERNET_CONNECTION_ABORTED, "Cannot send to the server: " + SocketErrorText(error));
    }
    return true;
}

bool FtpControlChannel::ReadReply(FtpReply& reply, std::chrono::milliseconds extra)
{
    // A server silent for the whole bound may answer later, out of step
    // with the next command: the session is not trusted again.
    if (ReadReplyWithin(reply, timeouts.reply + extra))
        return true;
    if (failure.code == ERROR_INTERNET_TIMEOUT)
        Close();
    return false;
}

bool FtpControlChannel::ReadReplyWithin(FtpReply& reply, std::chrono::milliseconds bound)
{
    if (!open)
        return Fail(ERROR_INTERNET_CONNECTION_ABORTED, "The connection with the server is closed");
    const auto deadline = Clock::now() + bound;
    assembler.AbandonReply();
    for (;;) {
        const FtpReplyAssembler::Status status = assembler.Next(reply);
        if (status == FtpReplyAssembler::Status::Complete)
            return !IsClosingReply(reply);
        if (status != FtpReplyAssembler::Status::Incomplete)
            return BreakOn(status);
        if (!FillInbox(deadline))
            return false;
    }
}

// 421: the server ends the session (an idle timeout, a shutdown) and says
// why; nothing more can be asked of it.
bool FtpControlChannel::IsClosingReply(const FtpReply& reply)
{
    constexpr int serviceClosing = 421;
    if (reply.code != serviceClosing)
        return false;
    Close();
    failure = EngineResult::ServerReply(reply.text);
    return true;
}

bool FtpControlChannel::BreakOn(FtpReplyAssembler::Status status)
{
    const std::string line = assembler.LastLine();
    assembler.Clear();
    switch (status) {
    case FtpReplyAssembler::Status::LineTooLong:
        return Break(ERROR_INTERNET_BAD_REPLY, "The server sent an over-long reply line");
    case FtpReplyAssembler::Status::NotAReply:
        return Break(ERROR_INTERNET_BAD_REPLY, "The server sent a line that is no FTP reply: " + line.substr(0, 80));
    case FtpReplyAssembler::Status::TooManyLines:
        return Break(ERROR_INTERNET_BAD_REPLY, "The server's reply has too many lines");
    default:
        return Break(ERROR_INTERNET_BAD_REPLY, "The server broke the protocol");
    }
}

bool FtpControlChannel::FillInbox(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const auto timedOut = [this] { return Fail(ERROR_INTERNET_TIMEOUT, "Timed out waiting for the server"); };
    try {
        if (left <= noWait || (!encrypted && !socket.poll(ToTimespan(left), Poco::Net::Socket::SELECT_READ)))
            return timedOut();
        char chunk[receiveChunk];
        const int n = socket.receiveBytes(chunk, static_cast<int>(receiveChunk));
        if (n < 0 && encrypted) {
            // TLS wants more bytes first; the caller comes back once they are here.
            return socket.poll(ToTimespan(left), Poco::Net::Socket::SELECT_READ) || timedOut();
        }
        if (n <= 0)
            return Break(ERROR_INTERNET_CONNECTION_ABORTED, "The server closed the connection");
        assembler.Feed(chunk, static_cast<std::size_t>(n));
    } catch (const Poco::Net::ConnectionResetException&) {
        // A server that closes with our next command unread resets instead.
        return Break(ERROR_INTERNET_CONNECTION_RESET, "The server closed the connection");
    } catch (const Poco::Exception& error) {
        return Break(ERROR_INTERNET_CONNECTION_ABORTED, "The connection with the server failed: " + SocketErrorText(error));
    }
    return true;
}

// Replies that came late for an earlier, failed command are thrown away;
// but a server that ended the session while we were idle has said so (421)
// or closed the connection, and the command is not sent.
bool FtpControlChannel::DiscardStaleInput()
{
    assembler.Clear();
    bool ended = false;
    try {
        char scratch[receiveChunk];
        while (open && (encrypted || socket.poll(Poco::Timespan(0), Poco::Net::Socket::SELECT_READ))) {
            // Encrypted, the socket does not block: a negative count is "nothing more now".
            const int n = socket.receiveBytes(scratch, sizeof scratch);
            ended = n == 0;
            if (n <= 0)
                break;
            assembler.Feed(scratch, static_cast<std::size_t>(n));
        }
    } catch (const Poco::Exception&) {
        // The send or read that follows meets the same failure and reports it.
    }
    FtpReply reply;
    bool closing = false;
    while (!closing && assembler.Next(reply) == FtpReplyAssembler::Status::Complete)
        closing = IsClosingReply(reply);
    assembler.Clear();
    if (closing)
        return false;
    return !ended || Break(ERROR_INTERNET_CONNECTION_ABORTED, "The server closed the connection");
}

bool FtpControlChannel::AwaitWritable(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left > noWait && socket.poll(ToTimespan(left), Poco::Net::Socket::SELECT_WRITE);
}

int FtpControlChannel::Descriptor() const
{
    return socket.impl()->sockfd();
}

void FtpControlChannel::Close()
{
    if (!open)
        return;
    open = false;
    encrypted = false;
    try {
        socket.close();
    } catch (const Poco::Exception&) {
        // Nothing is left to tell the server; the descriptor is gone either way.
    }
}

bool FtpControlChannel::CheckArgument(const std::string& argument)
{
    if (argument.find_first_of(std::string("\r\n\0", 3)) == std::string::npos)
        return true;
    return Fail(ERROR_INTERNET_INVALID_ARGUMENT, "A name may not contain a line break or a NUL character");
}

bool FtpControlChannel::Expect(const FtpReply& reply, ReplyClass expected)
{
    return reply.Class() == expected || FailWithReply(reply);
}

bool FtpControlChannel::Fail(int code, std::string cause)
{
    failure = EngineResult::Failure(code, std::move(cause));
    return false;
}

bool FtpControlChannel::FailWithReply(const FtpReply& reply, int code)
{
    failure = EngineResult::ServerReply(reply.text);
    failure.code = code;
    return false;
}

bool FtpControlChannel::Break(int code, std::string failure)
{
    Close();
    return Fail(code, std::move(failure));
}
