#include "engine/FtpReply.h"

ReplyClass ClassifyReply(int code)
{
    if (code < 100 || code > 599)
        return ReplyClass::Invalid;
    switch (code / 100) {
    case 1: return ReplyClass::Preliminary;
    case 2: return ReplyClass::Complete;
    case 3: return ReplyClass::Intermediate;
    case 4: return ReplyClass::Transient;
    default: return ReplyClass::Permanent;
    }
}
