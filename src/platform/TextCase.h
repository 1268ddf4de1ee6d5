#pragma once
#include <string>

// Case-insensitive comparisons of UTF-8 texts: ASCII letters are folded, all
// other bytes compare as they are (so multibyte sequences are never split or
// confused with letters).
int CompareNoCase(const std::string& left, const std::string& right);
bool EqualsNoCase(const std::string& left, const std::string& right);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);
std::string AsciiLower(std::string text);

// Leading and trailing white space (space, tab, CR, LF, VT, FF) removed.
std::string TrimBlanks(const std::string& text);
