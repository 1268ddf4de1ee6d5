#include "sites/SiteRecordMerge.h"

#include "platform/TextCase.h"
#include "sites/SiteProfile.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace {

using SiteKey = std::pair<std::string, std::string>;

SiteKey KeyOf(const std::string& record)
{
    return {AsciiLower(RecordDomain(record)), RecordUser(record)};
}

// Two texts of the same eight fields are the same record, however they
// were spelt (a hand-edited file, an older layout).
std::string Fields(const std::string& record)
{
    return FormatSiteRecord(LoadSiteRecord(record));
}

bool Storable(const std::string& record)
{
    return record.find(PLACEHOLDER_SITE) == std::string::npos;
}

// The sites whose records differ between the two lists: added, changed or
// removed ones.
std::set<SiteKey> TouchedSites(const std::vector<std::string>& before, const std::vector<std::string>& after)
{
    std::map<std::string, int> unmatched;
    for (const std::string& record : before)
        ++unmatched[Fields(record)];
    std::set<SiteKey> touched;
    for (const std::string& record : after) {
        auto found = unmatched.find(Fields(record));
        if (found != unmatched.end() && found->second > 0)
            --found->second;
        else
            touched.insert(KeyOf(record));
    }
    for (const auto& [fields, count] : unmatched)
        if (count > 0)
            touched.insert(KeyOf(fields));
    return touched;
}

} // namespace

void SortSiteRecords(std::vector<std::string>& records)
{
    std::vector<std::pair<std::string, std::string>> named;
    named.reserve(records.size());
    for (std::string& record : records)
        named.emplace_back(RecordDomain(record), std::move(record));
    std::stable_sort(named.begin(), named.end(),
                     [](const auto& left, const auto& right) { return CompareNoCase(left.first, right.first) < 0; });
    for (std::size_t i = 0; i < named.size(); ++i)
        records[i] = std::move(named[i].second);
}

std::vector<std::string> MergeSiteRecords(const std::vector<std::string>& atStart,
                                          const std::vector<std::string>& atClose,
                                          const std::vector<std::string>& inStore)
{
    const std::set<SiteKey> touched = TouchedSites(atStart, atClose);
    std::vector<std::string> merged;
    for (const std::string& record : inStore)
        if (Storable(record) && !touched.count(KeyOf(record)))
            merged.push_back(record);
    for (const std::string& record : atClose)
        if (Storable(record) && touched.count(KeyOf(record)))
            merged.push_back(record);
    SortSiteRecords(merged);
    return merged;
}

int IndexAtNextStart(const std::vector<std::string>& stored, const std::string& current)
{
    // The start adds the placeholder after every name that sorts with or
    // before it.
    std::size_t placeholderAt = 0;
    while (placeholderAt < stored.size() && CompareNoCase(RecordDomain(stored[placeholderAt]), PLACEHOLDER_SITE) <= 0)
        ++placeholderAt;
    auto found = std::find(stored.begin(), stored.end(), current);
    if (found == stored.end())
        found = std::find_if(stored.begin(), stored.end(),
                             [&](const std::string& record) { return KeyOf(record) == KeyOf(current); });
    if (!Storable(current) || found == stored.end())
        return static_cast<int>(placeholderAt);
    const std::size_t at = static_cast<std::size_t>(found - stored.begin());
    return static_cast<int>(at < placeholderAt ? at : at + 1);
}
