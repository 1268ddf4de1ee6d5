#include "sites/SiteProfile.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>

namespace {

constexpr int kFieldCount = 8;

// find(p): the first double quote at or after p; -1 when p is at or beyond
// the end or there is none.
long Find(const std::string& text, long p)
{
    if (p < 0 || p >= static_cast<long>(text.size()))
        return -1;
    const std::size_t at = text.find('"', static_cast<std::size_t>(p));
    return at == std::string::npos ? -1 : static_cast<long>(at);
}

// substring(first, count) with the clamping the reading rule relies on.
std::string Substring(const std::string& text, long first, long count)
{
    const long length = static_cast<long>(text.size());
    if (first < 0)
        first = 0;
    if (count < 0)
        count = 0;
    if (first > length)
        return {};
    if (first + count > length)
        count = length - first;
    return text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count));
}

std::array<std::string, kFieldCount> ReadFields(const std::string& record, int wanted = kFieldCount)
{
    std::array<std::string, kFieldCount> fields;
    long close = -1;
    for (int k = 0; k < wanted; ++k) {
        const long open = Find(record, close + 1);
        close = Find(record, open + 1);
        fields[k] = Substring(record, open + 1, close - open - 1);
    }
    return fields;
}

} // namespace

std::string FormatSiteRecord(const SiteProfile& site)
{
    const std::string port = std::to_string(site.port);
    std::string record;
    for (const std::string* field : {&site.domain, &site.userName, &site.password, &site.workingDir, &port,
                                     &site.uploadFileName, &site.uploadFolder, &site.downloadFolder}) {
        if (!record.empty())
            record += ' ';
        record += '"' + *field + '"';
    }
    return record;
}

SiteProfile LoadSiteRecord(const std::string& record)
{
    const auto fields = ReadFields(record);
    SiteProfile site;
    site.domain = fields[0];
    site.userName = fields[1];
    site.password = fields[2];
    site.workingDir = fields[3];
    site.port = ParseLeadingInt(fields[4]);
    site.uploadFileName = fields[5];
    site.uploadFolder = fields[6];
    site.downloadFolder = fields[7];
    return site;
}

std::string RecordDomain(const std::string& record)
{
    return ReadFields(record, 1)[0];
}

std::string RecordUser(const std::string& record)
{
    return ReadFields(record, 2)[1];
}

std::string PlaceholderRecord()
{
    return std::string("\"") + PLACEHOLDER_SITE + "\" \"anonymous\" \"\" \"/\" \"21\"\\\\";
}

std::string FieldHoldingQuote(const SiteProfile& site)
{
    const std::pair<const std::string*, const char*> fields[] = {
        {&site.domain, "Domain"},           {&site.userName, "User"},
        {&site.password, "Pswd"},           {&site.workingDir, "PWD"},
        {&site.uploadFileName, "upload file name"}, {&site.uploadFolder, "upload folder"},
        {&site.downloadFolder, "download folder"},
    };
    for (const auto& [value, name] : fields)
        if (value->find('"') != std::string::npos)
            return name;
    return {};
}

void ResetQuotedHiddenFields(SiteProfile& site)
{
    const auto quoted = [](const std::string& field) { return field.find('"') != std::string::npos; };
    if (quoted(site.uploadFileName))
        site.uploadFileName.clear();
    for (std::string* folder : {&site.uploadFolder, &site.downloadFolder})
        if (quoted(*folder))
            *folder = "/";
}

std::string HostFromSiteName(const std::string& siteName)
{
    const std::size_t start = siteName.find_first_not_of(" \t\r\n\v\f");
    if (start == std::string::npos)
        return {};
    const std::size_t end = siteName.find_first_of(" \t", start);
    return siteName.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int ParseLeadingInt(const std::string& text)
{
    // strtol saturates at the long's range, which holds the int's.
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}
