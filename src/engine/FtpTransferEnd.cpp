#include "engine/FtpTransferEnd.h"

#include "engine/FtpControlChannel.h"

#include <algorithm>

namespace {

constexpr std::chrono::milliseconds aborReplyBound{2000};

}  // namespace

FtpTransferEnd::FtpTransferEnd(FtpControlChannel& channel, std::atomic<bool>* busy) : channel(channel), busy(busy) {}

bool FtpTransferEnd::ReadFinalReply(FtpReply& reply)
{
    do {
        if (!channel.ReadReply(reply))
            return false;
    } while (reply.Class() == ReplyClass::Preliminary);
    return true;
}

EngineResult FtpTransferEnd::Finish(bool aborted)
{
    if (aborted && !channel.SendCommand("ABOR"))
        return channel.Failure();
    FtpReply reply;
    if (!ReadFinalReply(reply))
        return channel.Failure();
    if (aborted) {
        // ABOR gets its own answer after the transfer's; one that comes late
        // is thrown away before the next command.
        FtpReply aborReply;
        if (channel.IsOpen())
            channel.ReadReplyWithin(aborReply, std::min(aborReplyBound, channel.Timeouts().reply));
    }
    return channel.Expect(reply, ReplyClass::Complete) ? EngineResult{} : channel.Failure();
}

void FtpTransferEnd::Release()
{
    if (busy)
        *busy = false;
}

std::chrono::milliseconds FtpTransferEnd::DataIdle() const
{
    return channel.Timeouts().dataIdle;
}
