#include "engine/FtpReplyRules.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <sstream>

namespace {

enum ReplyCode { replyEprtUnknown = 500, replyEprtNotImplemented = 502, replyPathCreated = 257, replyFileStatus = 213 };

// The quoted path of a 257 reply, with doubled quotes undone; false when it has none.
bool QuotedPath(const std::string& text, std::string& path)
{
    std::size_t at = text.find('"');
    if (at == std::string::npos)
        return false;
    path.clear();
    for (++at; at < text.size(); ++at) {
        if (text[at] != '"') {
            path += text[at];
            continue;
        }
        if (at + 1 < text.size() && text[at + 1] == '"') {
            path += '"';
            ++at;
            continue;
        }
        return true;
    }
    return false;
}

bool Contains(const std::vector<std::string>& words, const char* word)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

// The parameters of every line of a FEAT reply that names `feature`
// ("AUTH TLS;SSL", "HASH SHA-1*;MD5"), upper-cased, split at ';', without
// the '*' that marks a default.
std::vector<std::string> FeatureParameters(const std::string& featReply, const std::string& feature)
{
    std::vector<std::string> parameters;
    std::istringstream lines(featReply);
    std::string line;
    std::getline(lines, line);  // "211-Features:"
    while (std::getline(lines, line)) {
        std::transform(line.begin(), line.end(), line.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        std::istringstream words(line);
        std::string name;
        if (!(words >> name) || name != feature)
            continue;
        std::string parameter;
        while (std::getline(words >> std::ws, parameter, ';')) {
            parameter.erase(parameter.find_last_not_of(" *\t\r") + 1);
            parameters.push_back(parameter);
        }
    }
    return parameters;
}

enum PassiveCode { replyPasv = 227, replyEpsv = 229 };
constexpr std::size_t codeLength = 3;
constexpr unsigned maxPort = 65535;
constexpr unsigned maxByte = 255;
constexpr int pasvNumbers = 6;
constexpr int pasvPortHigh = 4;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The decimal number at `at`, at most `limit`; `at` moves past it.
bool ReadNumber(const std::string& text, std::size_t& at, unsigned limit, unsigned& value)
{
    if (at >= text.size() || !IsDigit(text[at]))
        return false;
    value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        value = value * 10 + static_cast<unsigned>(text[at] - '0');
        if (value > limit)
            return false;
    }
    return true;
}

// The reply's first line after its code: later lines are no part of the answer.
std::string FirstLineText(const std::string& text)
{
    const std::string line = text.substr(0, text.find('\n'));
    return line.size() > codeLength ? line.substr(codeLength) : std::string();
}

}  // namespace

bool ParsePwdReply(const FtpReply& reply, std::string& path)
{
    return reply.code == replyPathCreated && QuotedPath(reply.text, path);
}

bool ParseSizeReply(const FtpReply& reply, std::uint64_t& size)
{
    if (reply.code != replyFileStatus || reply.text.size() < 5 || reply.text[3] != ' ')
        return false;
    std::uint64_t value = 0;
    for (const char c : reply.text.substr(4)) {
        if (!IsDigit(c) || value > (UINT64_MAX - 9) / 10)
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    size = value;
    return true;
}

std::vector<std::string> FeatureNames(const std::string& featReply)
{
    std::vector<std::string> names;
    std::istringstream lines(featReply);
    std::string line;
    std::getline(lines, line);  // "211-Features:"
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string name;
        if (!(words >> name))
            continue;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        names.push_back(name);
    }
    if (!names.empty())
        names.pop_back();  // the closing "211 End" line
    return names;
}

HashCommand BestHashCommand(const std::string& featReply)
{
    const std::vector<std::string> algorithms = FeatureParameters(featReply, "HASH");
    const std::vector<std::string> names = FeatureNames(featReply);
    if (Contains(algorithms, "SHA-256"))
        return HashCommand::HashSha256;
    if (Contains(algorithms, "SHA-1"))
        return HashCommand::HashSha1;
    if (Contains(names, "XSHA256"))
        return HashCommand::XSha256;
    if (Contains(names, "XSHA1"))
        return HashCommand::XSha1;
    return Contains(names, "XMD5") ? HashCommand::XMd5 : HashCommand::None;
}

bool ParseDigestReply(const FtpReply& reply, std::size_t hexLength, std::string& hex)
{
    if (reply.Class() != ReplyClass::Complete || reply.text.size() < 4)
        return false;
    std::istringstream words(reply.text.substr(4));
    std::string word;
    while (words >> word) {
        const bool allHex = std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isxdigit(c); });
        if (word.size() != hexLength || !allHex)
            continue;
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        hex = word;
        return true;
    }
    return false;
}

bool FeaturesOfferTls(const std::string& featReply)
{
    return Contains(FeatureParameters(featReply, "AUTH"), "TLS");
}

EprtOutcome ReadEprtReply(const FtpReply& reply)
{
    if (reply.Class() == ReplyClass::Complete)
        return EprtOutcome::Accepted;
    if (reply.code == replyEprtUnknown || reply.code == replyEprtNotImplemented)
        return EprtOutcome::TryPort;
    return EprtOutcome::Refused;
}

bool ParsePasvReply(const FtpReply& reply, unsigned& port)
{
    if (reply.code != replyPasv)
        return false;
    const std::string text = FirstLineText(reply.text);
    std::size_t at = 0;
    while (at < text.size() && !IsDigit(text[at]))
        ++at;
    unsigned numbers[pasvNumbers] = {};
    for (int i = 0; i < pasvNumbers; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != ',')
                return false;
            ++at;
        }
        if (!ReadNumber(text, at, maxByte, numbers[i]))
            return false;
    }
    const unsigned found = numbers[pasvPortHigh] * 256 + numbers[pasvPortHigh + 1];
    if (found == 0)
        return false;
    port = found;
    return true;
}

bool ParseEpsvReply(const FtpReply& reply, unsigned& port)
{
    if (reply.code != replyEpsv)
        return false;
    const std::string text = FirstLineText(reply.text);
    std::size_t at = text.find('(');
    if (at == std::string::npos || at + 4 >= text.size())
        return false;
    const char delimiter = text[++at];
    if (delimiter < '!' || delimiter > '~' || IsDigit(delimiter) || text[at + 1] != delimiter ||
        text[at + 2] != delimiter)
        return false;
    at += 3;
    unsigned found = 0;
    if (!ReadNumber(text, at, maxPort, found) || found == 0)
        return false;
    if (at + 1 >= text.size() || text[at] != delimiter || text[at + 1] != ')')
        return false;
    port = found;
    return true;
}

bool RefusesDataConnection(const FtpReply& reply)
{
    return reply.code == 425 || reply.code == 426;
}
