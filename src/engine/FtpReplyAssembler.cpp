#include "engine/FtpReplyAssembler.h"

#include <cctype>
#include <utility>

namespace {

constexpr int noCode = -1;

// "123 text" or "123-text" (or a bare "123"): the code, else noCode.
int LineCode(const std::string& line)
{
    if (line.size() < 3)
        return noCode;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(line[i])))
            return noCode;
        code = code * 10 + (line[i] - '0');
    }
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-')
        return noCode;
    return code;
}

bool EndsReply(const std::string& line, int code)
{
    return LineCode(line) == code && (line.size() == 3 || line[3] == ' ');
}

}  // namespace

void FtpReplyAssembler::Feed(const char* data, std::size_t size)
{
    // Taken lines are dropped only now, so a reply read from one buffer never
    // moves the bytes that follow it more than once.
    inbox.erase(0, inboxStart);
    inboxStart = 0;
    inbox.append(data, size);
}

FtpReplyAssembler::Status FtpReplyAssembler::Next(FtpReply& reply)
{
    for (;;) {
        const Status taken = TakeLine();
        if (taken != Status::Complete)
            return taken;
        const Status added = AddLine(reply);
        if (added != Status::Incomplete)
            return added;
    }
}

FtpReplyAssembler::Status FtpReplyAssembler::TakeLine()
{
    const std::size_t end = inbox.find('\n', inboxStart);
    if (end == std::string::npos)
        return inbox.size() - inboxStart > maxLineLength ? Status::LineTooLong : Status::Incomplete;
    if (end - inboxStart > maxLineLength)
        return Status::LineTooLong;
    std::size_t length = end - inboxStart;
    if (length > 0 && inbox[end - 1] == '\r')
        --length;
    line.assign(inbox, inboxStart, length);
    inboxStart = end + 1;
    return Status::Complete;
}

// Adds the line just taken to the reply begun: Complete when it ends it.
FtpReplyAssembler::Status FtpReplyAssembler::AddLine(FtpReply& reply)
{
    if (pendingLines == 0) {
        const int code = LineCode(line);
        if (code == noCode)
            return Status::NotAReply;
        pending.code = code;
        pending.text = line;
    } else {
        pending.text += '\n';
        pending.text += line;
    }
    ++pendingLines;
    if (EndsReply(line, pending.code)) {
        reply = std::move(pending);
        AbandonReply();
        return Status::Complete;
    }
    return pendingLines >= maxReplyLines ? Status::TooManyLines : Status::Incomplete;
}

void FtpReplyAssembler::AbandonReply()
{
    pending = FtpReply{};
    pendingLines = 0;
}

void FtpReplyAssembler::Clear()
{
    inbox.clear();
    inboxStart = 0;
    line.clear();
    AbandonReply();
}
