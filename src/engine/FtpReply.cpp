#include "engine/FtpReply.h"

ReplyClass ClassifyReply(int code)
{
    static constexpr ReplyClass byFirstDigit[] = {ReplyClass::Preliminary, ReplyClass::Complete,
                                                  ReplyClass::Intermediate, ReplyClass::Transient,
                                                  ReplyClass::Permanent};
    return code < 100 || code > 599 ? ReplyClass::Invalid : byFirstDigit[code / 100 - 1];
}
