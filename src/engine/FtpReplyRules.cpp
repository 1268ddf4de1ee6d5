#include "engine/FtpReplyRules.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

enum ReplyCode { replyEprtUnknown = 500, replyEprtNotImplemented = 502, replyPathCreated = 257 };

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

}  // namespace

bool ParsePwdReply(const FtpReply& reply, std::string& path)
{
    return reply.code == replyPathCreated && QuotedPath(reply.text, path);
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

EprtOutcome ReadEprtReply(const FtpReply& reply)
{
    if (reply.Class() == ReplyClass::Complete)
        return EprtOutcome::Accepted;
    if (reply.code == replyEprtUnknown || reply.code == replyEprtNotImplemented)
        return EprtOutcome::TryPort;
    return EprtOutcome::Refused;
}
