#include "ftp/ListEntry.h"

#include "platform/TextCase.h"

#include <algorithm>
#include <numeric>
#include <cstdio>
#include <limits>

namespace {

constexpr std::uint64_t BytesPerKilobyte = 1000;

int Sign(bool less, bool greater) { return less ? -1 : (greater ? 1 : 0); }

int CompareByName(const ListEntry& a, const ListEntry& b)
{
    if (a.kind != b.kind)
        return a.kind < b.kind ? -1 : 1;  // folders (0) before files (1)
    // Byte by byte after folding ASCII, as _stricmp does: '_' sorts before letters.
    return CompareNoCase(a.name, b.name);
}

int CompareAscending(const ListEntry& a, const ListEntry& b, int column)
{
    switch (column) {
    case LIST_COLUMN_NAME: return CompareByName(a, b);
    case LIST_COLUMN_SIZE: return Sign(a.size > b.size, a.size < b.size);
    case LIST_COLUMN_MODIFIED: return Sign(a.modified > b.modified, a.modified < b.modified);
    default: return 0;
    }
}

bool IsDotDirectory(const std::string& name) { return name == "." || name == ".."; }

// A total past 2^64 bytes cannot be real; keep it at the top instead of wrapping.
std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b)
{
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    return b > max - a ? max : a + b;
}


void AddListingEntry(ListingSummary& summary, const FtpListEntry& entry)
{
    ListEntry row;
    row.name = entry.name;
    row.modified = entry.modified;
    if (entry.kind == FtpEntryKind::Directory) {
        if (IsDotDirectory(entry.name))
            return;
        row.kind = LIST_KIND_FOLDER;
        ++summary.folders;
    } else {
        row.kind = LIST_KIND_FILE;
        row.link = entry.kind == FtpEntryKind::Link;
        row.size = entry.size;
        summary.totalBytes = SaturatingAdd(summary.totalBytes, entry.size);
        ++summary.files;
    }
    summary.rows.push_back(std::move(row));
}
}  // namespace

std::string FormatSizeText(std::uint64_t size)
{
    const unsigned long long kilobytes = std::max<std::uint64_t>(size / BytesPerKilobyte, 1);
    char text[32];
    std::snprintf(text, sizeof text, "%llu KB", kilobytes);
    return text;
}

std::string FormatDateText(std::time_t t)
{
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr)
        return {};
    // Room beyond the 19 characters of the C locale, for longer AM/PM words.
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%m/%d/%Y %I:%M %p", &local);
    return std::string(text, length);
}

std::string FormatSummary(int folders, int files, std::uint64_t totalBytes)
{
    char text[96];
    std::snprintf(text, sizeof text, "\n%d folders - %d files - %llu KB", folders, files,
                  static_cast<unsigned long long>(totalBytes / BytesPerKilobyte));
    return text;
}

int CompareEntries(const ListEntry& a, const ListEntry& b, int descendingFlag, int column)
{
    const int ascending = CompareAscending(a, b, column);
    return descendingFlag == 1 ? -ascending : ascending;
}

std::vector<std::size_t> SortEntries(std::vector<ListEntry>& entries, int descendingFlag, int column)
{
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return CompareEntries(entries[a], entries[b], descendingFlag, column) < 0;
    });
    std::vector<ListEntry> sorted;
    sorted.reserve(entries.size());
    std::vector<std::size_t> newPosition(entries.size());
    for (std::size_t position = 0; position < order.size(); ++position) {
        newPosition[order[position]] = position;
        sorted.push_back(std::move(entries[order[position]]));
    }
    entries = std::move(sorted);
    return newPosition;
}

ListingSummary BuildListing(const std::vector<FtpListEntry>& entries)
{
    ListingSummary summary;
    for (const FtpListEntry& entry : entries)
        AddListingEntry(summary, entry);
    return summary;
}
