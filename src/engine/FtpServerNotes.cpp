#include "engine/FtpServerNotes.h"

#include <sstream>
#include <utility>

namespace {

// The hash commands by their names in the notes.
const std::pair<HashCommand, const char*> hashWords[] = {
    {HashCommand::HashSha256, "hash-sha256"}, {HashCommand::HashSha1, "hash-sha1"},
    {HashCommand::XSha256, "xsha256"},        {HashCommand::XSha1, "xsha1"},
    {HashCommand::XMd5, "xmd5"},
};

// The features' yes-or-no facts by their names in the notes.
const std::pair<bool FtpFeatures::*, const char*> flagWords[] = {
    {&FtpFeatures::mlsd, "mlsd"},
    {&FtpFeatures::utf8, "utf8"},
    {&FtpFeatures::tlsOffered, "tls"},
    {&FtpFeatures::size, "size"},
};

bool HasWord(const std::string& list, const std::string& word)
{
    std::istringstream words(list);
    std::string item;
    while (std::getline(words, item, ','))
        if (item == word)
            return true;
    return false;
}

FtpFeatures ParseFeatures(const std::string& list)
{
    FtpFeatures features;
    for (const auto& [flag, word] : flagWords)
        features.*flag = HasWord(list, word);
    for (const auto& [command, word] : hashWords)
        if (HasWord(list, word))
            features.hash = command;
    return features;
}

// '+' opens a list that names SIZE and the hash commands where the server
// has them; a list opened by '-' was written before they were noted, so it
// reads as unknown and the next login asks FEAT again, instead of never
// checking a transfer on that server.
constexpr char currentList = '+';

std::string FormatFeatures(const FtpFeatures& features)
{
    std::string list(1, currentList);  // alone: no feature at all
    for (const auto& [flag, word] : flagWords)
        if (features.*flag)
            list += std::string(",") + word;
    for (const auto& [command, word] : hashWords)
        if (features.hash == command)
            list += std::string(",") + word;
    return list;
}

}  // namespace

FtpServerNotes ParseServerNotes(const std::string& text)
{
    FtpServerNotes notes;
    std::istringstream fields(text);
    std::string field;
    while (fields >> field) {
        const std::size_t equals = field.find('=');
        const std::string key = field.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : field.substr(equals + 1);
        if (key == "tls")
            notes.spokeTls = value == "1";
        else if (key == "mode" && (value == "active" || value == "passive"))
            notes.mode = value == "active" ? DataMode::Active : DataMode::Passive;
        else if (key == "feat" && !value.empty() && value.front() == currentList)
            notes.features = ParseFeatures(value);
    }
    return notes;
}

std::string FormatServerNotes(const FtpServerNotes& notes)
{
    std::string text = notes.spokeTls ? "tls=1" : "tls=0";
    if (notes.mode)
        text += std::string(" mode=") + ModeName(*notes.mode);
    if (notes.features)
        text += " feat=" + FormatFeatures(*notes.features);
    return text;
}
