#include "platform/TextCase.h"

#include <algorithm>
#include <compare>

namespace {

const char kBlanks[] = " \t\r\n\v\f";

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

int CompareNoCase(const std::string& left, const std::string& right)
{
    const auto order = std::lexicographical_compare_three_way(
        left.begin(), left.end(), right.begin(), right.end(), [](char l, char r) {
            return static_cast<unsigned char>(FoldAscii(l)) <=> static_cast<unsigned char>(FoldAscii(r));
        });
    return (order > 0) - (order < 0);
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
