#include "platform/TemplateRules.h"

#include <wx/defs.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include <charconv>
#include <cmath>
#include <utility>

namespace {

std::optional<int> ParseWhole(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || text.empty())
        return std::nullopt;
    return value;
}

// Splits off a trailing "d", the mark of dialog units.
std::pair<std::string, bool> WithoutUnitMark(const std::string& text)
{
    if (!text.empty() && text.back() == 'd')
        return {text.substr(0, text.size() - 1), true};
    return {text, false};
}

struct StyleName {
    const char* name;
    long value;
};

// The styles the templates name, and no more.
constexpr StyleName kStyleNames[] = {
    {"wxCAPTION", wxCAPTION},
    {"wxSYSTEM_MENU", wxSYSTEM_MENU},
    {"wxMINIMIZE_BOX", wxMINIMIZE_BOX},
    {"wxCLOSE_BOX", wxCLOSE_BOX},
    {"wxBORDER_SUNKEN", wxBORDER_SUNKEN},
    {"wxALIGN_RIGHT", wxALIGN_RIGHT},
    {"wxALIGN_CENTRE_HORIZONTAL", wxALIGN_CENTRE_HORIZONTAL},
    {"wxST_NO_AUTORESIZE", wxST_NO_AUTORESIZE},
    {"wxTE_CENTRE", wxTE_CENTRE},
    {"wxTE_READONLY", wxTE_READONLY},
    {"wxCB_DROPDOWN", wxCB_DROPDOWN},
    {"wxLB_SINGLE", wxLB_SINGLE},
    {"wxRB_GROUP", wxRB_GROUP},
};

std::optional<long> StyleValue(const std::string& name)
{
    for (const StyleName& style : kStyleNames)
        if (name == style.name)
            return style.value;
    return std::nullopt;
}

// The text a backslash and the letter after it stand for; an escape the
// format does not know stays as written.
std::string Escaped(char letter)
{
    switch (letter) {
    case 'n':
        return "\n";
    case 't':
        return "\t";
    case 'r':
        return "\r";
    case '\\':
        return "\\";
    default:
        return std::string("\\") + letter;
    }
}

} // namespace

std::optional<TemplatePair> ParseTemplatePair(const std::string& text)
{
    const auto [numbers, dialogUnits] = WithoutUnitMark(text);
    const std::size_t comma = numbers.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    const std::optional<int> x = ParseWhole(numbers.substr(0, comma));
    const std::optional<int> y = ParseWhole(numbers.substr(comma + 1));
    if (!x || !y)
        return std::nullopt;
    return TemplatePair{*x, *y, dialogUnits};
}

std::optional<TemplateLength> ParseTemplateLength(const std::string& text)
{
    const auto [number, dialogUnits] = WithoutUnitMark(text);
    const std::optional<int> value = ParseWhole(number);
    if (!value)
        return std::nullopt;
    return TemplateLength{*value, dialogUnits};
}

std::optional<long> ParseTemplateStyle(const std::string& text)
{
    long style = 0;
    if (text.empty())
        return style;
    for (std::size_t start = 0;;) {
        const std::size_t bar = text.find('|', start);
        const std::optional<long> value = StyleValue(text.substr(start, bar == std::string::npos ? bar : bar - start));
        if (!value)
            return std::nullopt;
        style |= *value;
        if (bar == std::string::npos)
            return style;
        start = bar + 1;
    }
}

std::string TemplateLabel(const std::string& text)
{
    std::string label;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool last = i + 1 == text.size();
        if (c == '_' && !last && text[i + 1] != '_')
            label += '&';
        else if (c == '_' && !last)
            label += text[++i];
        else if (c == '\\' && !last)
            label += Escaped(text[++i]);
        else
            label += c;
    }
    return label;
}

int DialogUnitsToPixels(int units, int base, DialogAxis axis)
{
    if (units == wxDefaultCoord)
        return wxDefaultCoord;
    const int perCharacter = axis == DialogAxis::Horizontal ? 4 : 8;
    return static_cast<int>(std::lround(static_cast<double>(units) * base / perCharacter));
}
