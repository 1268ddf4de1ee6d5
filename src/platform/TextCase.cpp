#include "platform/TextCase.h"

#include <algorithm>

namespace {

const char kBlanks[] = " \t\r\n\v\f";

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

std::string TrimBlanks(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}
