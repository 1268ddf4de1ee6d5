#pragma once
#include "engine/FtpReply.h"

#include <string>
#include <vector>

// What the engine reads out of single replies. Pure: no sockets, so each rule
// can be fed hostile replies directly.

// The path of a PWD reply: a 257 whose text holds a quoted path, with doubled
// quotes undone ("/a ""b""" is /a "b"). False for any other reply.
bool ParsePwdReply(const FtpReply& reply, std::string& path);

// The first word of each feature line of a FEAT reply, upper-cased; the
// opening "211-Features:" line and the closing line are not features.
std::vector<std::string> FeatureNames(const std::string& featReply);

// What the answer to EPRT leaves to do.
enum class EprtOutcome {
    Accepted,   // the server will connect to the listener
    TryPort,    // the server does not know EPRT: fall back to PORT
    Refused,    // any other answer is the command's failure
};

EprtOutcome ReadEprtReply(const FtpReply& reply);
