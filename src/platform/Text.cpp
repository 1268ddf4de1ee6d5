#include "platform/Text.h"

wxString FromUtf8(const std::string& text)
{
    return DisplayName(text);
}

std::string ToUtf8(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

wxString DisplayName(const std::string& bytes)
{
    wxString utf8 = wxString::FromUTF8(bytes.data(), bytes.size());
    if (!utf8.empty() || bytes.empty())
        return utf8;
    return wxString(bytes.data(), wxConvISO8859_1, bytes.size());
}
