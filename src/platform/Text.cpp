#include "platform/Text.h"

#include <glib.h>

#include <cstdint>

namespace {

constexpr std::uint32_t replacementCharacter = 0xFFFD;

bool IsScalarValue(std::uint32_t code)
{
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

void AppendUtf8(std::string& out, std::uint32_t code)
{
    const gunichar scalar = IsScalarValue(code) ? code : replacementCharacter;
    char bytes[6];
    out.append(bytes, static_cast<std::size_t>(g_unichar_to_utf8(scalar, bytes)));
}

bool ShownAsLatin1(const std::string& bytes)
{
    return !bytes.empty() && wxString::FromUTF8(bytes.data(), bytes.size()).empty();
}

}  // namespace

wxString FromUtf8(const std::string& text)
{
    return DisplayName(text);
}

// Encoded here rather than by wx: a wxString can hold what no UTF-8 text
// can (a lone surrogate, a value past U+10FFFF; a settings file in UTF-32
// is decoded into such values unchecked), and wx's converter raises an
// assertion on them, a box in front of the window. They become U+FFFD.
std::string ToUtf8(const wxString& text)
{
    std::string utf8;
    utf8.reserve(text.length());
    for (const wxUniChar c : text)
        AppendUtf8(utf8, c.GetValue());
    return utf8;
}

wxString DisplayName(const std::string& bytes)
{
    if (!ShownAsLatin1(bytes))
        return wxString::FromUTF8(bytes.data(), bytes.size());
    return wxString(bytes.data(), wxConvISO8859_1, bytes.size());
}

std::string NameBytesFromDisplay(const std::string& original, const std::string& entered)
{
    if (entered == ToUtf8(DisplayName(original)))
        return original;
    if (!ShownAsLatin1(original))
        return entered;
    std::string latin1;
    for (const wxUniChar c : FromUtf8(entered)) {
        if (c.GetValue() > 0xFF)
            return entered;
        latin1 += static_cast<char>(c.GetValue());
    }
    return latin1;
}
