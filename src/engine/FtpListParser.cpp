#include "engine/FtpListParser.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <limits>

namespace {

constexpr std::int64_t SecondsPerDay = 86400;

// ---- small text helpers ---------------------------------------------------

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// Unsigned decimal; false on anything but digits or on overflow, so a huge
// size makes the line unparseable instead of wrapping around.
bool ParseNumber(std::string_view text, std::uint64_t& value)
{
    if (text.empty())
        return false;
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return false;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (max - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

bool ParseSmallNumber(std::string_view text, std::size_t minDigits, std::size_t maxDigits, int& value)
{
    if (text.size() < minDigits || text.size() > maxDigits)
        return false;
    std::uint64_t wide = 0;
    if (!ParseNumber(text, wide))
        return false;
    value = static_cast<int>(wide);
    return true;
}

struct Token {
    std::string_view text;
    std::size_t end = 0;  // offset just past the token in the line
};

std::vector<Token> SplitBlanks(std::string_view line)
{
    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        const std::size_t start = pos;
        while (pos < line.size() && !IsBlank(line[pos]))
            ++pos;
        if (pos > start)
            tokens.push_back({line.substr(start, pos - start), pos});
    }
    return tokens;
}

// ---- calendar (UTC, proleptic Gregorian) ---------------------------------

struct CivilTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The standard calendar, which, unlike timegm and mktime, never looks at the
// process's time zone.
std::chrono::year_month_day DateOf(const CivilTime& t)
{
    return {std::chrono::year(t.year), std::chrono::month(static_cast<unsigned>(t.month)),
            std::chrono::day(static_cast<unsigned>(t.day))};
}

// Month and day come from at most two digits, so DateOf holds them whole.
bool IsValid(const CivilTime& t)
{
    return DateOf(t).ok() && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
           t.second <= 60;
}

std::time_t ToTimeT(const CivilTime& t)
{
    const std::int64_t days = std::chrono::sys_days(DateOf(t)).time_since_epoch().count();
    return static_cast<std::time_t>(days * SecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second);
}

int UtcYearOf(std::time_t now)
{
    const auto day = std::chrono::floor<std::chrono::days>(std::chrono::sys_seconds(std::chrono::seconds(now)));
    return static_cast<int>(std::chrono::year_month_day(day).year());
}

// ls leaves the year out for recent dates; a date that would lie more than a
// day ahead of us (a day of slack for clock skew and time zones) belongs to
// last year.
std::optional<std::time_t> ResolveRecentDate(CivilTime t, std::time_t now)
{
    t.year = UtcYearOf(now);
    if (IsValid(t) && ToTimeT(t) - SecondsPerDay <= now)
        return ToTimeT(t);
    --t.year;
    if (!IsValid(t))
        return std::nullopt;
    return ToTimeT(t);
}

// ---- Unix "ls -l" form ----------------------------------------------------

bool IsPermissions(std::string_view text)
{
    if (text.size() < 10 || std::string_view("-dlcbps").find(text[0]) == std::string_view::npos)
        return false;
    return text.substr(1, 9).find_first_not_of("rwxsStTlL-") == std::string_view::npos;
}

FtpEntryKind KindFromPermissions(char type)
{
    switch (type) {
    case '-': return FtpEntryKind::File;
    case 'd': return FtpEntryKind::Directory;
    case 'l': return FtpEntryKind::Link;
    default: return FtpEntryKind::Other;
    }
}

int MonthFromName(std::string_view text)
{
    static constexpr std::array<std::string_view, 12> names = {"jan", "feb", "mar", "apr", "may", "jun",
                                                               "jul", "aug", "sep", "oct", "nov", "dec"};
    const auto found = std::find_if(names.begin(), names.end(),
                                    [text](std::string_view name) { return EqualsIgnoreCase(text, name); });
    return found == names.end() ? 0 : static_cast<int>(found - names.begin()) + 1;
}

bool ParseClock(std::string_view text, int& hour, int& minute)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    return ParseSmallNumber(text.substr(0, colon), 1, 2, hour) && ParseSmallNumber(text.substr(colon + 1), 2, 2, minute);
}

// "Jan  5  2020" or "Dec  8 05:38".
std::optional<std::time_t> ParseUnixDate(const Token* date, std::time_t now)
{
    CivilTime t;
    t.month = MonthFromName(date[0].text);
    if (t.month == 0 || !ParseSmallNumber(date[1].text, 1, 2, t.day))
        return std::nullopt;
    if (ParseClock(date[2].text, t.hour, t.minute))
        return ResolveRecentDate(t, now);
    if (!ParseSmallNumber(date[2].text, 4, 4, t.year) || !IsValid(t))
        return std::nullopt;
    return ToTimeT(t);
}

// Device files show "major, minor" where others show a size.
bool IsDeviceNumber(std::string_view text)
{
    return text.find_first_not_of("0123456789,") == std::string_view::npos &&
           std::any_of(text.begin(), text.end(), IsDigit);
}

bool ParseUnixSize(std::string_view text, FtpEntryKind kind, std::uint64_t& size)
{
    if (kind == FtpEntryKind::Other) {
        size = 0;
        return IsDeviceNumber(text);
    }
    return ParseNumber(text, size);
}

std::string_view StripLinkTarget(std::string_view name)
{
    const std::size_t arrow = name.find(" -> ");
    return arrow == std::string_view::npos ? name : name.substr(0, arrow);
}

std::optional<FtpListEntry> ParseUnixLine(std::string_view line, std::time_t now)
{
    const std::vector<Token> tokens = SplitBlanks(line);
    if (tokens.empty() || !IsPermissions(tokens[0].text))
        return std::nullopt;
    const FtpEntryKind kind = KindFromPermissions(tokens[0].text[0]);

    // Link count, owner and group may each be missing, so the date is found
    // by its shape: the first "month day time-or-year" preceded by a size.
    for (std::size_t i = 2; i + 2 < tokens.size(); ++i) {
        FtpListEntry entry;
        entry.kind = kind;
        if (!ParseUnixSize(tokens[i - 1].text, kind, entry.size))
            continue;
        const std::optional<std::time_t> modified = ParseUnixDate(&tokens[i], now);
        if (!modified)
            continue;
        const std::size_t nameStart = tokens[i + 2].end + 1;
        if (nameStart >= line.size())
            return std::nullopt;
        std::string_view name = line.substr(nameStart);
        if (kind == FtpEntryKind::Link)
            name = StripLinkTarget(name);
        if (name.empty())
            return std::nullopt;
        entry.name = std::string(name);
        entry.modified = *modified;
        return entry;
    }
    return std::nullopt;
}

// ---- DOS / IIS form -------------------------------------------------------

int ExpandTwoDigitYear(int year) { return year >= 70 ? 1900 + year : 2000 + year; }

// "01-05-20" or "01-05-2020" (also with slashes).
bool ParseDosDate(std::string_view text, CivilTime& t)
{
    if (text.size() < 8 || (text[2] != '-' && text[2] != '/') || text[5] != text[2])
        return false;
    if (!ParseSmallNumber(text.substr(0, 2), 2, 2, t.month) || !ParseSmallNumber(text.substr(3, 2), 2, 2, t.day))
        return false;
    const std::string_view year = text.substr(6);
    if (year.size() == 2 && ParseSmallNumber(year, 2, 2, t.year)) {
        t.year = ExpandTwoDigitYear(t.year);
        return true;
    }
    return ParseSmallNumber(year, 4, 4, t.year);
}

// "03:04PM", "12:00AM" or a 24-hour "15:04".
bool ParseDosTime(std::string_view text, CivilTime& t)
{
    const bool am = text.size() > 2 && EqualsIgnoreCase(text.substr(text.size() - 2), "am");
    const bool pm = text.size() > 2 && EqualsIgnoreCase(text.substr(text.size() - 2), "pm");
    if (!am && !pm)
        return ParseClock(text, t.hour, t.minute);
    if (!ParseClock(text.substr(0, text.size() - 2), t.hour, t.minute) || t.hour < 1 || t.hour > 12)
        return false;
    t.hour = (t.hour % 12) + (pm ? 12 : 0);
    return true;
}

// IIS pads "<DIR>" to the width of the size column and then leaves one space,
// so a name's own leading blanks survive when the padding is all there.
std::size_t DosDirectoryNameStart(std::string_view line, std::size_t dirEnd)
{
    constexpr std::size_t padding = 10;
    const std::size_t aligned = dirEnd + padding;
    if (aligned < line.size() && line.substr(dirEnd, padding).find_first_not_of(' ') == std::string_view::npos)
        return aligned;
    std::size_t pos = dirEnd;
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    return pos;
}

std::optional<FtpListEntry> ParseDosLine(std::string_view line)
{
    const std::vector<Token> tokens = SplitBlanks(line);
    if (tokens.size() < 4)
        return std::nullopt;
    CivilTime t;
    if (!ParseDosDate(tokens[0].text, t) || !ParseDosTime(tokens[1].text, t) || !IsValid(t))
        return std::nullopt;

    FtpListEntry entry;
    entry.modified = ToTimeT(t);
    std::size_t nameStart = 0;
    if (EqualsIgnoreCase(tokens[2].text, "<DIR>")) {
        entry.kind = FtpEntryKind::Directory;
        nameStart = DosDirectoryNameStart(line, tokens[2].end);
    } else {
        if (!ParseNumber(tokens[2].text, entry.size))
            return std::nullopt;
        nameStart = tokens[2].end + 1;
    }
    if (nameStart >= line.size())
        return std::nullopt;
    entry.name = std::string(line.substr(nameStart));
    return entry;
}

// ---- MLSD -----------------------------------------------------------------

// "20200105123456" with an optional ".sss" that we drop.
bool ParseMlsdTime(std::string_view text, std::time_t& value)
{
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    if (dot != std::string_view::npos) {
        std::uint64_t fraction = 0;
        if (!ParseNumber(text.substr(dot + 1), fraction))
            return false;
    }
    CivilTime t;
    if (whole.size() != 14 || !ParseSmallNumber(whole.substr(0, 4), 4, 4, t.year) ||
        !ParseSmallNumber(whole.substr(4, 2), 2, 2, t.month) || !ParseSmallNumber(whole.substr(6, 2), 2, 2, t.day) ||
        !ParseSmallNumber(whole.substr(8, 2), 2, 2, t.hour) || !ParseSmallNumber(whole.substr(10, 2), 2, 2, t.minute) ||
        !ParseSmallNumber(whole.substr(12, 2), 2, 2, t.second) || !IsValid(t))
        return false;
    value = ToTimeT(t);
    return true;
}

struct MlsdType {
    FtpEntryKind kind = FtpEntryKind::File;
    std::string_view fixedName;  // "." or ".." for the listed directory and its parent
};

MlsdType ParseMlsdType(std::string_view value)
{
    if (EqualsIgnoreCase(value, "file"))
        return {FtpEntryKind::File, {}};
    if (EqualsIgnoreCase(value, "dir"))
        return {FtpEntryKind::Directory, {}};
    if (EqualsIgnoreCase(value, "cdir"))
        return {FtpEntryKind::Directory, "."};
    if (EqualsIgnoreCase(value, "pdir"))
        return {FtpEntryKind::Directory, ".."};
    if (StartsWithIgnoreCase(value, "os.unix=slink") || StartsWithIgnoreCase(value, "os.unix=symlink"))
        return {FtpEntryKind::Link, {}};
    return {FtpEntryKind::Other, {}};
}

// Unknown facts are ignored; a known one that does not parse spoils the line.
bool ApplyFact(std::string_view name, std::string_view value, FtpListEntry& entry, MlsdType& type)
{
    if (EqualsIgnoreCase(name, "type")) {
        type = ParseMlsdType(value);
        return true;
    }
    if (EqualsIgnoreCase(name, "size"))
        return ParseNumber(value, entry.size);
    if (EqualsIgnoreCase(name, "modify"))
        return ParseMlsdTime(value, entry.modified);
    return true;
}

bool ApplyFacts(std::string_view facts, FtpListEntry& entry, MlsdType& type)
{
    while (!facts.empty()) {
        const std::size_t semicolon = facts.find(';');
        const std::string_view text = facts.substr(0, semicolon);
        facts = semicolon == std::string_view::npos ? std::string_view() : facts.substr(semicolon + 1);
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos || equals == 0)
            continue;
        if (!ApplyFact(text.substr(0, equals), text.substr(equals + 1), entry, type))
            return false;
    }
    return true;
}

// Fact values hold no ';', so the first "; " ends the facts; some servers
// leave out the last ';', and then the first space does.
std::size_t MlsdNameSeparator(std::string_view line)
{
    if (!line.empty() && line[0] == ' ')
        return 0;  // no facts at all
    const std::size_t separator = line.find("; ");
    return separator != std::string_view::npos ? separator + 1 : line.find(' ');
}

}  // namespace

std::optional<FtpListEntry> ParseListLine(std::string_view line, std::time_t now)
{
    if (line.empty())
        return std::nullopt;
    if (IsDigit(line[0]))
        return ParseDosLine(line);
    return ParseUnixLine(line, now);
}

std::optional<FtpListEntry> ParseMlsdLine(std::string_view line)
{
    const std::size_t separator = MlsdNameSeparator(line);
    if (separator == std::string_view::npos || separator + 1 >= line.size())
        return std::nullopt;
    FtpListEntry entry;
    MlsdType type;
    if (!ApplyFacts(line.substr(0, separator), entry, type))
        return std::nullopt;
    entry.kind = type.kind;
    entry.name = type.fixedName.empty() ? std::string(line.substr(separator + 1)) : std::string(type.fixedName);
    return entry;
}

std::vector<FtpListEntry> ParseListing(std::string_view text, bool machineFormat, std::time_t now)
{
    std::vector<FtpListEntry> entries;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::optional<FtpListEntry> entry = machineFormat ? ParseMlsdLine(line) : ParseListLine(line, now);
        if (entry)
            entries.push_back(std::move(*entry));
    }
    return entries;
}
