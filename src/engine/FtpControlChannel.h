#pragma once
#include "engine/EngineResult.h"
#include "engine/EngineTimeouts.h"
#include "engine/FtpReply.h"
#include "engine/FtpReplyAssembler.h"

#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/Timespan.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace Poco {
class Exception;
}

class TlsLayer;

// The cause a socket exception names, for a message: many of Poco's carry
// only their kind ("Connection reset by peer") and an empty message.
std::string SocketErrorText(const Poco::Exception& error);

Poco::Timespan ToTimespan(std::chrono::milliseconds bound);

// The control connection's socket: sends command lines and reads whole
// replies under bounds (line length, line count, one deadline per reply), so
// a broken or hostile server can neither hang nor exhaust the client.
//
// Every failing call keeps its failure (the kind, the server's reply, a
// plain English cause) for the caller to report.
class FtpControlChannel {
public:
    explicit FtpControlChannel(const EngineTimeouts& timeouts);

    bool Connect(const std::string& host, std::uint16_t port);
    // After a 234 to AUTH TLS: the handshake, bounded by the client's deadline.
    // From then on every line goes through TLS.
    bool StartTls(TlsLayer& client);

    // Throws away replies that arrived late for an earlier, failed command,
    // sends `line` and reads its reply.
    bool Exchange(const std::string& line, FtpReply& reply);
    // The same, without waiting for the reply.
    bool SendCommand(const std::string& line);
    // A reply within the reply timeout, plus `extra` for a command the server
    // works on before it answers (the hash of a large file); silence for that
    // long, or a 421, ends the session.
    bool ReadReply(FtpReply& reply, std::chrono::milliseconds extra = std::chrono::milliseconds(0));
    // A reply that may never come (QUIT's, ABOR's second), within `bound`;
    // silence leaves the session open.
    bool ReadReplyWithin(FtpReply& reply, std::chrono::milliseconds bound);

    bool HasBufferedInput() const { return assembler.HasBufferedInput(); }
    bool IsOpen() const { return open; }
    int Descriptor() const;
    Poco::Net::SocketAddress LocalAddress() const { return socket.address(); }
    Poco::Net::SocketAddress PeerAddress() const { return socket.peerAddress(); }
    const EngineTimeouts& Timeouts() const { return timeouts; }
    void Close();

    // False, and a failure, for an argument holding CR, LF or NUL, which
    // would end the command line early and start another.
    bool CheckArgument(const std::string& argument);

    // True when `reply` is of the `expected` class; else it is the failure.
    bool Expect(const FtpReply& reply, ReplyClass expected);
    // Record a failure and return false.
    bool Fail(int code, std::string cause);
    bool FailWithReply(const FtpReply& reply, int code = ERROR_INTERNET_EXTENDED_ERROR);
    // Like Fail, and the connection can no longer be trusted to stay in step.
    bool Break(int code, std::string cause);
    const EngineResult& Failure() const { return failure; }

private:
    using Clock = std::chrono::steady_clock;

    bool Send(const std::string& line);
    bool IsClosingReply(const FtpReply& reply);
    bool BreakOn(FtpReplyAssembler::Status status);
    bool FillInbox(Clock::time_point deadline);
    bool DiscardStaleInput();
    bool ConnectTo(const Poco::Net::SocketAddress& address, const std::string& host);
    bool AwaitWritable(Clock::time_point deadline);

    EngineTimeouts timeouts;
    Poco::Net::StreamSocket socket;
    bool open = false;
    // Encrypted, the socket does not block: a read may find only TLS records
    // without data (TLS 1.3 session tickets), and a poll of the descriptor
    // cannot see bytes OpenSSL already holds.
    bool encrypted = false;
    FtpReplyAssembler assembler;  // received bytes not yet taken as replies
    EngineResult failure;  // the last one
};
