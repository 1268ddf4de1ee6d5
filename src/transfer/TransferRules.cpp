#include "transfer/TransferRules.h"

#include <algorithm>

namespace {

// The extension buffer of the path splitter holds 256 characters and its end
// mark; longer extensions are cut there.
constexpr std::size_t kMaxExtension = 256;

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int CompareFolded(char left, char right)
{
    const auto l = static_cast<unsigned char>(FoldAscii(left));
    const auto r = static_cast<unsigned char>(FoldAscii(right));
    return (l > r) - (l < r);
}

} // namespace

std::vector<std::string> ReadExtList(const std::string& text)
{
    std::vector<std::string> entries;
    std::size_t start = 0;
    std::size_t space = text.find(' ');
    while (space != std::string::npos && space > 0) {
        entries.push_back(text.substr(start, space - start));
        start = space + 1;
        space = text.find(' ', start);
    }
    return entries;
}

std::string PathExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return "";
    return path.substr(dot + 1, kMaxExtension - 1);
}

TransferType GetTransferType(int transferMode, const std::string& asciiExtList, const std::string& path)
{
    if (transferMode == TRANSFER_MODE_ASCII)
        return FTP_TRANSFER_TYPE_ASCII;
    if (transferMode == TRANSFER_MODE_BINARY)
        return FTP_TRANSFER_TYPE_BINARY;
    const std::string extension = PathExtension(path);
    for (const std::string& entry : ReadExtList(asciiExtList)) {
        if (EqualsNoCase(extension, entry))
            return FTP_TRANSFER_TYPE_ASCII;
    }
    return FTP_TRANSFER_TYPE_BINARY;
}

int CompareNoCase(const std::string& left, const std::string& right)
{
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int order = CompareFolded(left[i], right[i]);
        if (order != 0)
            return order;
    }
    return (left.size() > right.size()) - (left.size() < right.size());
}

bool EqualsNoCase(const std::string& left, const std::string& right)
{
    return left.size() == right.size() && CompareNoCase(left, right) == 0;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    return prefix.size() <= text.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string AsciiLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), FoldAscii);
    return text;
}
