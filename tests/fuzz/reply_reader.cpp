// The control connection's bytes: cut at the input's first byte into two
// receives (so replies also arrive split), assembled into replies, and every
// reply read as PWD, FEAT and EPRT answers.
#include "FuzzCheck.h"

#include "engine/FtpReplyAssembler.h"
#include "engine/FtpReplyRules.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void CheckReply(const FtpReply& reply)
{
    FUZZ_CHECK(reply.code >= 0 && reply.code <= 999);
    FUZZ_CHECK(std::count(reply.text.begin(), reply.text.end(), '\n') < FtpReplyAssembler::maxReplyLines);
    std::string path;
    if (ParsePwdReply(reply, path))
        FUZZ_CHECK(path.size() < reply.text.size());
    FeatureNames(reply.text);
    ReadEprtReply(reply);
}

// Takes every reply out of what was fed; false once the protocol broke.
bool Drain(FtpReplyAssembler& assembler)
{
    for (;;) {
        FtpReply reply;
        const FtpReplyAssembler::Status status = assembler.Next(reply);
        if (status == FtpReplyAssembler::Status::Incomplete)
            return true;
        if (status != FtpReplyAssembler::Status::Complete)
            return false;
        CheckReply(reply);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    const std::size_t cut = std::min<std::size_t>(data[0], length);
    FtpReplyAssembler assembler;
    assembler.Feed(bytes, cut);
    if (Drain(assembler)) {
        assembler.Feed(bytes + cut, length - cut);
        Drain(assembler);
    }
    assembler.Clear();
    FUZZ_CHECK(!assembler.HasBufferedInput());
    return 0;
}
