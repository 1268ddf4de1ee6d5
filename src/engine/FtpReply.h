#pragma once
#include <string>

// What a reply code tells the client, by its first digit.
enum class ReplyClass {
    Preliminary,   // 1xx: more replies follow
    Complete,      // 2xx
    Intermediate,  // 3xx: the server waits for the next command
    Transient,     // 4xx
    Permanent,     // 5xx
    Invalid,       // anything else breaks the protocol
};

ReplyClass ClassifyReply(int code);

// One whole reply of the server; `text` holds every line as sent, without
// line ends, joined with "\n".
struct FtpReply {
    int code = 0;
    std::string text;

    ReplyClass Class() const { return ClassifyReply(code); }
    bool IsError() const { return Class() == ReplyClass::Transient || Class() == ReplyClass::Permanent; }
};
