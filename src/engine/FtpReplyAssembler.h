#pragma once
#include "engine/FtpReply.h"

#include <cstddef>
#include <string>

// Turns the bytes of a control connection into whole replies, under the
// bounds that keep a hostile server from exhausting the client: a line of at
// most maxLineLength bytes and a reply of at most maxReplyLines lines. A
// multi-line reply ("123-...") ends on a line that starts with the same code
// and a space (or is the bare code). No sockets, no clock: the caller feeds
// what it received and asks for the next reply.
class FtpReplyAssembler {
public:
    static constexpr std::size_t maxLineLength = 8192;
    static constexpr int maxReplyLines = 1000;

    enum class Status {
        Incomplete,    // feed more bytes
        Complete,      // the reply is ready
        LineTooLong,   // the protocol is broken from here on
        NotAReply,     // the first line of a reply carries no code
        TooManyLines,
    };

    void Feed(const char* data, std::size_t size);
    // The next whole reply out of what was fed. After a protocol error the
    // assembler must be cleared before it is used again.
    Status Next(FtpReply& reply);

    bool HasBufferedInput() const { return inboxStart < inbox.size(); }
    // The line that broke the protocol, for the error's text.
    const std::string& LastLine() const { return line; }
    // Drops a reply begun by an earlier call (one whose wait timed out),
    // keeping the bytes not yet taken: the next line starts a new reply.
    void AbandonReply();
    // Forgets every byte fed and any reply begun.
    void Clear();

private:
    Status TakeLine();
    Status AddLine(FtpReply& reply);

    std::string inbox;  // fed bytes not yet taken as lines
    std::size_t inboxStart = 0;
    std::string line;
    FtpReply pending;   // the reply begun so far
    int pendingLines = 0;
};
