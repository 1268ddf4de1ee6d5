#pragma once
#include "engine/FtpListEntry.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// The kind of a file-list row; also the row's image index.
enum ListEntryKind : int {
    LIST_KIND_FOLDER = 0,
    LIST_KIND_FILE = 1,
};

// The file list's columns, as CompareEntries takes them.
enum ListColumn : int {
    LIST_COLUMN_NAME = 0,
    LIST_COLUMN_SIZE = 1,
    LIST_COLUMN_MODIFIED = 2,
};

// One row of the file list. The size is kept in full: cutting it to 32 bits
// would show and sort files of 4 GB and more wrongly.
struct ListEntry {
    int kind = LIST_KIND_FILE;
    std::string name;
    std::uint64_t size = 0;
    std::time_t modified = 0;
    // Listed as a symbolic link: a file row that chdir may still enter,
    // since the link may lead to a folder.
    bool link = false;
};

// "%d KB" of size / 1000, never less than 1 KB.
std::string FormatSizeText(std::uint64_t size);

// Local time, "%m/%d/%Y %I:%M %p"; empty when the time cannot be shown.
std::string FormatDateText(std::time_t t);

// "\n%d folders - %d files - %u KB" with the total / 1000, no minimum.
std::string FormatSummary(int folders, int files, std::uint64_t totalBytes);

// Negative when a goes first. Only descendingFlag 1 reverses the order.
int CompareEntries(const ListEntry& a, const ListEntry& b, int descendingFlag, int column);

// Sorts in place, keeping the order of equal entries; returns where each
// entry went (the new index of the entry that stood at each old index).
std::vector<std::size_t> SortEntries(std::vector<ListEntry>& entries, int descendingFlag, int column);

// The rows of a listing in server order, with the counts for the summary.
struct ListingSummary {
    std::vector<ListEntry> rows;
    int folders = 0;
    int files = 0;
    std::uint64_t totalBytes = 0;  // sum of the file sizes
};

// Directories "." and ".." are left out, other directories become folders of
// size 0, everything else counts as a file.
ListingSummary BuildListing(const std::vector<FtpListEntry>& entries);
