#pragma once
#include "engine/FtpReply.h"

#include <cstdint>
#include <string>
#include <vector>

// What the engine reads out of single replies. Pure: no sockets, so each rule
// can be fed hostile replies directly.

// The path of a PWD reply: a 257 whose text holds a quoted path, with doubled
// quotes undone ("/a ""b""" is /a "b"). False for any other reply.
bool ParsePwdReply(const FtpReply& reply, std::string& path);

// A 213 reply to SIZE: "213 <decimal bytes>" and nothing else.
bool ParseSizeReply(const FtpReply& reply, std::uint64_t& size);

// The first word of each feature line of a FEAT reply, upper-cased; the
// opening "211-Features:" line and the closing line are not features.
std::vector<std::string> FeatureNames(const std::string& featReply);

// Whether a FEAT reply lists TLS among its AUTH mechanisms ("AUTH TLS",
// "AUTH SSL;TLS-C;TLS"), in any case; "TLS-C" and "TLS-P" alone are not it.
bool FeaturesOfferTls(const std::string& featReply);

// What the answer to EPRT leaves to do.
enum class EprtOutcome {
    Accepted,   // the server will connect to the listener
    TryPort,    // the server does not know EPRT: fall back to PORT
    Refused,    // any other answer is the command's failure
};

EprtOutcome ReadEprtReply(const FtpReply& reply);

// The data port of a 227 answer to PASV: six numbers h1,h2,h3,h4,p1,p2, with
// or without parentheses, anywhere after the code. The host is read but not
// returned: the data connection goes to the control connection's peer, so a
// server cannot send us to a third host. False for another code, fewer than
// six numbers, a number above 255 or port 0.
bool ParsePasvReply(const FtpReply& reply, unsigned& port);

// The data port of a 229 answer to EPSV (RFC 2428): "(<d><d><d>port<d>)",
// with any printable delimiter <d>. False for another code, another shape or
// a port outside 1-65535.
bool ParseEpsvReply(const FtpReply& reply, unsigned& port);

// The command that asks the server for a file's hash, strongest first:
// HASH (with OPTS HASH choosing the algorithm) or the older X commands.
enum class HashCommand { None, HashSha256, HashSha1, XSha256, XSha1, XMd5 };

// The strongest hash command a FEAT reply lists ("HASH SHA-1*;SHA-256",
// "XSHA256", any case); HASH's MD5 and CRC are not taken.
HashCommand BestHashCommand(const std::string& featReply);

// The digest, lower-case hex, of a 2xx answer to a hash command: the first
// word of `hexLength` hex digits ("213 SHA-256 0-9 <hex> name", "250 <hex>").
// False for another reply.
bool ParseDigestReply(const FtpReply& reply, std::size_t hexLength, std::string& hex);

// 425 (cannot open the data connection) or 426 (it was closed): the data
// connection failed, not the command.
bool RefusesDataConnection(const FtpReply& reply);
