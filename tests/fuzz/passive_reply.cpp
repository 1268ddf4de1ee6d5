// Answers to PASV and EPSV: the input is one reply text, read as both a 227
// and a 229 whatever its own digits say, so hostile texts reach each parser.
#include "FuzzCheck.h"

#include "engine/FtpReplyRules.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void CheckPort(int code, const std::string& text, bool (*parse)(const FtpReply&, unsigned&))
{
    unsigned port = 0;
    const bool parsed = parse(FtpReply{code, text}, port);
    FUZZ_CHECK(parsed ? port >= 1 && port <= 65535 : port == 0);
    // Only the first line answers: what follows it changes nothing.
    unsigned again = 0;
    FUZZ_CHECK(parse(FtpReply{code, text + "\n227 (1,1,1,1,1,1) (|||1|)"}, again) == parsed && again == port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    if (text.find('\n') != std::string::npos)
        text.erase(text.find('\n'));
    CheckPort(227, text, ParsePasvReply);
    CheckPort(229, text, ParseEpsvReply);
    unsigned port = 0;
    FUZZ_CHECK(!ParsePasvReply(FtpReply{229, text}, port) && !ParseEpsvReply(FtpReply{227, text}, port));
    return 0;
}
