#include "ftp/ListEntry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t FiveGigabytes = 5368709120ULL;

ListEntry Folder(const std::string& name, std::time_t modified = 0) { return {LIST_KIND_FOLDER, name, 0, modified}; }

ListEntry File(const std::string& name, std::uint64_t size = 0, std::time_t modified = 0)
{
    return {LIST_KIND_FILE, name, size, modified};
}

std::vector<std::string> Names(const std::vector<ListEntry>& entries)
{
    std::vector<std::string> names;
    for (const ListEntry& entry : entries)
        names.push_back(entry.name);
    return names;
}

FtpListEntry Listed(const std::string& name, FtpEntryKind kind, std::uint64_t size = 0, std::time_t modified = 0)
{
    return {name, kind, size, modified};
}

}  // namespace

TEST(FormatSizeText, KilobytesRoundedDownButAtLeastOne)
{
    const struct {
        std::uint64_t size;
        const char* text;
    } table[] = {
        {0, "1 KB"},
        {999, "1 KB"},
        {1000, "1 KB"},
        {1999, "1 KB"},
        {2000, "2 KB"},
        {1234567, "1234 KB"},
        {4294967296ULL, "4294967 KB"},  // would be 0 bytes in 32 bits
        {FiveGigabytes, "5368709 KB"},
        {18446744073709551615ULL, "18446744073709551 KB"},
    };
    for (const auto& c : table)
        EXPECT_EQ(FormatSizeText(c.size), c.text) << c.size;
}

TEST(FormatSummary, TotalRoundedDownWithoutMinimum)
{
    EXPECT_EQ(FormatSummary(0, 0, 0), "\n0 folders - 0 files - 0 KB");
    EXPECT_EQ(FormatSummary(0, 2, 700), "\n0 folders - 2 files - 0 KB");
    EXPECT_EQ(FormatSummary(3, 1, 1999), "\n3 folders - 1 files - 1 KB");
    EXPECT_EQ(FormatSummary(1, 2, 2 * FiveGigabytes), "\n1 folders - 2 files - 10737418 KB");
}

TEST(FormatDateText, LocalTwelveHourClock)
{
    const char* savedZone = std::getenv("TZ");
    const std::string saved = savedZone ? savedZone : "";
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(FormatDateText(0), "01/01/1970 12:00 AM");
    EXPECT_EQ(FormatDateText(1704067200 + 13 * 3600 + 5 * 60), "01/01/2024 01:05 PM");
    EXPECT_EQ(FormatDateText(1709251199), "02/29/2024 11:59 PM");
    setenv("TZ", "EST5", 1);
    tzset();
    EXPECT_EQ(FormatDateText(0), "12/31/1969 07:00 PM");
    if (savedZone)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(CompareEntries, OrderForEachColumnAndFlag)
{
    const ListEntry folderA = Folder("alpha", 100);
    const ListEntry folderB = Folder("Beta", 200);
    const ListEntry small = File("SMALL", 10, 300);
    const ListEntry big = File("big", FiveGigabytes, 50);
    const ListEntry underscore = File("_x");
    const ListEntry letterA = File("a");
    const struct {
        const ListEntry& a;
        const ListEntry& b;
        int flag;
        int column;
        int sign;
    } table[] = {
        {folderA, folderB, 0, LIST_COLUMN_NAME, -1},   // case ignored: alpha < Beta
        {folderB, small, 0, LIST_COLUMN_NAME, -1},     // folders first, whatever the name
        {small, folderA, 0, LIST_COLUMN_NAME, 1},
        {small, big, 0, LIST_COLUMN_NAME, 1},          // "small" > "big"
        {underscore, letterA, 0, LIST_COLUMN_NAME, -1},  // folded to lower case: '_' < 'a'
        {File("ABC"), File("abc"), 0, LIST_COLUMN_NAME, 0},
        {File("ab"), File("abc"), 0, LIST_COLUMN_NAME, -1},
        {File("\xe9"), File("z"), 0, LIST_COLUMN_NAME, 1},  // bytes compare unsigned
        {folderA, folderB, 1, LIST_COLUMN_NAME, 1},
        {folderB, small, 1, LIST_COLUMN_NAME, 1},      // files first when reversed
        {big, small, 0, LIST_COLUMN_SIZE, -1},         // larger first
        {small, folderA, 0, LIST_COLUMN_SIZE, -1},     // folders are size 0
        {big, small, 1, LIST_COLUMN_SIZE, 1},
        {File("x", 0x80000000ULL + 5), File("y", 4), 0, LIST_COLUMN_SIZE, -1},
        {File("x", 1), File("y", 1), 0, LIST_COLUMN_SIZE, 0},
        {small, folderB, 0, LIST_COLUMN_MODIFIED, -1},  // newer first
        {big, folderA, 0, LIST_COLUMN_MODIFIED, 1},
        {big, folderA, 1, LIST_COLUMN_MODIFIED, -1},
        {folderA, Folder("z", 100), 0, LIST_COLUMN_MODIFIED, 0},
        // Only 1 means descending.
        {folderA, folderB, 2, LIST_COLUMN_NAME, -1},
        {folderA, folderB, -1, LIST_COLUMN_NAME, -1},
        {big, small, 7, LIST_COLUMN_SIZE, -1},
    };
    for (const auto& c : table) {
        const int result = CompareEntries(c.a, c.b, c.flag, c.column);
        const int sign = (result > 0) - (result < 0);
        EXPECT_EQ(sign, c.sign) << c.a.name << " vs " << c.b.name << " flag " << c.flag << " column " << c.column;
    }
}

// The header clicks of the file list: each click flips its column's flag and
// sorts by it; a refresh sorts by Name with the Name column's flag.
class HeaderClicks : public ::testing::Test {
protected:
    std::vector<ListEntry> rows = {
        File("readme.TXT", 1500, 400), Folder("docs", 100),   File("Archive.zip", FiveGigabytes, 200),
        Folder("Bin", 300),            File("_notes", 10, 500),
    };
    int sortDescending[3] = {0, 0, 0};

    std::vector<std::string> Click(int column)
    {
        sortDescending[column] = 1 - sortDescending[column];
        SortEntries(rows, sortDescending[column], column);
        return Names(rows);
    }

    std::vector<std::string> Refresh()
    {
        SortEntries(rows, sortDescending[LIST_COLUMN_NAME], LIST_COLUMN_NAME);
        return Names(rows);
    }
};

using NameList = std::vector<std::string>;

TEST_F(HeaderClicks, RefreshWithDefaultFlagsPutsFoldersFirstAToZ)
{
    EXPECT_EQ(Refresh(), (NameList{"Bin", "docs", "_notes", "Archive.zip", "readme.TXT"}));
}

TEST_F(HeaderClicks, NameClicksAlternateAndRefreshKeepsTheDirection)
{
    EXPECT_EQ(Click(LIST_COLUMN_NAME), (NameList{"readme.TXT", "Archive.zip", "_notes", "docs", "Bin"}));
    EXPECT_EQ(Click(LIST_COLUMN_NAME), (NameList{"Bin", "docs", "_notes", "Archive.zip", "readme.TXT"}));
    EXPECT_EQ(Click(LIST_COLUMN_NAME), (NameList{"readme.TXT", "Archive.zip", "_notes", "docs", "Bin"}));
    EXPECT_EQ(Refresh(), (NameList{"readme.TXT", "Archive.zip", "_notes", "docs", "Bin"}));
}

TEST_F(HeaderClicks, SizeClicksStartSmallestFirst)
{
    const NameList smallest = Click(LIST_COLUMN_SIZE);
    ASSERT_EQ(smallest.size(), 5u);
    // Both folders count as size 0; which comes first is not defined.
    EXPECT_EQ((NameList{smallest.begin() + 2, smallest.end()}), (NameList{"_notes", "readme.TXT", "Archive.zip"}));
    const NameList largest = Click(LIST_COLUMN_SIZE);
    EXPECT_EQ((NameList{largest.begin(), largest.begin() + 3}), (NameList{"Archive.zip", "readme.TXT", "_notes"}));
}

TEST_F(HeaderClicks, ModifiedClicksStartOldestFirst)
{
    EXPECT_EQ(Click(LIST_COLUMN_MODIFIED), (NameList{"docs", "Archive.zip", "Bin", "readme.TXT", "_notes"}));
    EXPECT_EQ(Click(LIST_COLUMN_MODIFIED), (NameList{"_notes", "readme.TXT", "Bin", "Archive.zip", "docs"}));
}

TEST_F(HeaderClicks, RefreshAfterOtherColumnSortsByName)
{
    Click(LIST_COLUMN_SIZE);
    Click(LIST_COLUMN_MODIFIED);
    EXPECT_EQ(Refresh(), (NameList{"Bin", "docs", "_notes", "Archive.zip", "readme.TXT"}));
}

TEST(BuildListing, RowsInServerOrderWithCounts)
{
    const ListingSummary summary = BuildListing({
        Listed(".", FtpEntryKind::Directory),
        Listed("zeta", FtpEntryKind::File, 300, 11),
        Listed("..", FtpEntryKind::Directory),
        Listed("sub", FtpEntryKind::Directory, 4096, 22),
        Listed("link", FtpEntryKind::Link, 7, 33),
        Listed("null", FtpEntryKind::Other, 0, 44),
        Listed("big", FtpEntryKind::File, FiveGigabytes, 55),
    });
    ASSERT_EQ(Names(summary.rows), (NameList{"zeta", "sub", "link", "null", "big"}));
    EXPECT_EQ(summary.folders, 1);
    EXPECT_EQ(summary.files, 4);
    EXPECT_EQ(summary.totalBytes, 300 + 7 + FiveGigabytes);
    EXPECT_EQ(summary.rows[1].kind, LIST_KIND_FOLDER);
    EXPECT_EQ(summary.rows[1].size, 0u);  // a folder's listed size is not kept
    EXPECT_EQ(summary.rows[1].modified, 22);
    EXPECT_EQ(summary.rows[2].kind, LIST_KIND_FILE);
    EXPECT_EQ(summary.rows[4].size, FiveGigabytes);
}

TEST(BuildListing, DotNamesOnlySkippedForDirectories)
{
    const ListingSummary summary = BuildListing({
        Listed(".", FtpEntryKind::File, 5),
        Listed("..", FtpEntryKind::Link, 6),
        Listed("...", FtpEntryKind::Directory),
        Listed(". ", FtpEntryKind::Directory),
    });
    EXPECT_EQ(Names(summary.rows), (NameList{".", "..", "...", ". "}));
    EXPECT_EQ(summary.folders, 2);
    EXPECT_EQ(summary.files, 2);
}

TEST(BuildListing, SmallFilesAddUpToZeroKilobytes)
{
    const ListingSummary summary =
        BuildListing({Listed("a", FtpEntryKind::File, 300), Listed("b", FtpEntryKind::File, 400)});
    EXPECT_EQ(FormatSummary(summary.folders, summary.files, summary.totalBytes), "\n0 folders - 2 files - 0 KB");
    EXPECT_EQ(FormatSizeText(summary.rows[0].size), "1 KB");
    EXPECT_EQ(FormatSizeText(summary.rows[1].size), "1 KB");
}

TEST(BuildListing, EmptyDirectory)
{
    const ListingSummary summary = BuildListing({});
    EXPECT_TRUE(summary.rows.empty());
    EXPECT_EQ(FormatSummary(summary.folders, summary.files, summary.totalBytes), "\n0 folders - 0 files - 0 KB");
}

TEST(BuildListing, TotalSaturatesInsteadOfWrapping)
{
    const ListingSummary summary = BuildListing({Listed("a", FtpEntryKind::File, 18446744073709551615ULL),
                                                 Listed("b", FtpEntryKind::File, 2)});
    EXPECT_EQ(summary.totalBytes, 18446744073709551615ULL);
}
