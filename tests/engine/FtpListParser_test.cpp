#include "engine/FtpListParser.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

// glibc's own conversion, as an independent check of the parser's calendar.
std::time_t Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return timegm(&tm);
}

const std::time_t Now = Utc(2024, 3, 15, 12, 0, 0);

struct Expected {
    const char* line;
    const char* name;
    FtpEntryKind kind;
    std::uint64_t size;
    std::time_t modified;
};

void ExpectEntry(const std::optional<FtpListEntry>& entry, const Expected& want)
{
    ASSERT_TRUE(entry.has_value()) << want.line;
    EXPECT_EQ(entry->name, want.name) << want.line;
    EXPECT_EQ(entry->kind, want.kind) << want.line;
    EXPECT_EQ(entry->size, want.size) << want.line;
    EXPECT_EQ(entry->modified, want.modified) << want.line;
}

constexpr std::uint64_t FiveGigabytes = 5368709120ULL;

}  // namespace

TEST(ParseListLine, UnixLinesOfRealServers)
{
    const Expected table[] = {
        // pyftpdlib: year dates, recent dates with a two-digit day, 5 GB.
        {"-rw-r--r--   1 root     root            3 Jan 05  2020 a file.txt", "a file.txt", FtpEntryKind::File, 3,
         Utc(2020, 1, 5)},
        {"-rw-r--r--   1 root     root     5368709120 Mar 08 06:06 big.bin", "big.bin", FtpEntryKind::File,
         FiveGigabytes, Utc(2024, 3, 8, 6, 6)},
        {"drwxr-xr-x   2 root     root         4096 Mar 08 06:06 sub", "sub", FtpEntryKind::Directory, 4096,
         Utc(2024, 3, 8, 6, 6)},
        {"lrwxrwxrwx   1 root     root           10 Mar 08 06:06 link -> a file.txt", "link", FtpEntryKind::Link, 10,
         Utc(2024, 3, 8, 6, 6)},
        // vsftpd: numeric owner and group.
        {"-rw-r--r--    1 1000     1000        12345 Dec 31  1999 report.doc", "report.doc", FtpEntryKind::File, 12345,
         Utc(1999, 12, 31)},
        {"drwxr-xr-x    3 0        0            4096 Feb 29 23:59 pub", "pub", FtpEntryKind::Directory, 4096,
         Utc(2024, 2, 29, 23, 59)},
        // ProFTPD: names owners, single-digit day padded with a blank.
        {"-rw-r--r--   1 ftp      ftp          1234 Jan  5 10:00 notes.txt", "notes.txt", FtpEntryKind::File, 1234,
         Utc(2024, 1, 5, 10, 0)},
        // Pure-FTPd: wide numeric columns.
        {"drwxr-xr-x    2 1000       1000             4096 Nov 30  2023 backups", "backups", FtpEntryKind::Directory,
         4096, Utc(2023, 11, 30)},
        // Group missing; owner and group missing; link count missing.
        {"-rw-r--r--   1 ftp       77 Jan  5  2020 nogroup", "nogroup", FtpEntryKind::File, 77, Utc(2020, 1, 5)},
        {"-rw-r--r--   1        77 Jan  5  2020 noowner", "noowner", FtpEntryKind::File, 77, Utc(2020, 1, 5)},
        {"-rw-r--r-- ftp ftp 77 Jan  5  2020 nolinks", "nolinks", FtpEntryKind::File, 77, Utc(2020, 1, 5)},
        // Device files show major and minor instead of a size.
        {"crw-rw-rw- 1 root root 1, 3 Jan 1 2020 null", "null", FtpEntryKind::Other, 0, Utc(2020, 1, 1)},
        {"brw-rw---- 1 root disk 8,0 Jan 1 2020 sda", "sda", FtpEntryKind::Other, 0, Utc(2020, 1, 1)},
        // ACL mark after the permissions, lower-case month.
        {"-rw-r--r--+  1 u g 9 jan 5 2020 acl", "acl", FtpEntryKind::File, 9, Utc(2020, 1, 5)},
        // An owner that looks like a month does not confuse the date search.
        {"-rw-r--r--   1 Jan      staff          5 Feb  1  2021 x", "x", FtpEntryKind::File, 5, Utc(2021, 2, 1)},
    };
    for (const Expected& want : table)
        ExpectEntry(ParseListLine(want.line, Now), want);
}

TEST(ParseListLine, NameIsEverythingAfterOneSpace)
{
    const Expected table[] = {
        {"-rw-r--r--   1 root     root            2 Jan 05  2020  lead", " lead", FtpEntryKind::File, 2,
         Utc(2020, 1, 5)},
        {"-rw-r--r--   1 root     root            2 Mar 08 06:06   three", "  three", FtpEntryKind::File, 2,
         Utc(2024, 3, 8, 6, 6)},
        {"-rw-r--r--   1 root     root            2 Jan 05  2020 trailing  ", "trailing  ", FtpEntryKind::File, 2,
         Utc(2020, 1, 5)},
        {"-rw-r--r--   1 root     root            2 Jan 05  2020 Jan 05  2020", "Jan 05  2020", FtpEntryKind::File,
         2, Utc(2020, 1, 5)},
        // "->" only separates a target for links.
        {"-rw-r--r--   1 root     root            2 Jan 05  2020 a -> b", "a -> b", FtpEntryKind::File, 2,
         Utc(2020, 1, 5)},
        {"lrwxrwxrwx   1 root     root            2 Jan 05  2020 my link -> x -> y", "my link", FtpEntryKind::Link, 2,
         Utc(2020, 1, 5)},
        // Bytes that are not UTF-8 pass through untouched.
        {"-rw-r--r--   1 root     root            2 Jan 05  2020 caf\xe9\xff", "caf\xe9\xff", FtpEntryKind::File, 2,
         Utc(2020, 1, 5)},
    };
    for (const Expected& want : table)
        ExpectEntry(ParseListLine(want.line, Now), want);
}

TEST(ParseListLine, DatesWithoutYearAreRecent)
{
    struct Case {
        const char* date;
        std::time_t now;
        std::time_t expected;
    };
    const Case table[] = {
        {"Mar 15 12:00", Now, Utc(2024, 3, 15, 12, 0)},
        // Up to a day ahead is clock skew, not last year.
        {"Mar 16 11:59", Now, Utc(2024, 3, 16, 11, 59)},
        {"Mar 16 12:00", Now, Utc(2024, 3, 16, 12, 0)},
        {"Mar 16 12:01", Now, Utc(2023, 3, 16, 12, 1)},
        {"Dec 31 23:59", Now, Utc(2023, 12, 31, 23, 59)},
        {"Jan  1 00:00", Now, Utc(2024, 1, 1, 0, 0)},
        // Around New Year.
        {"Dec 31 22:00", Utc(2025, 1, 1, 1, 0), Utc(2024, 12, 31, 22, 0)},
        {"Jan  1 08:00", Utc(2024, 12, 31, 20, 0), Utc(2024, 1, 1, 8, 0)},
        // Feb 29 in a year without one belongs to the leap year before it.
        {"Feb 29 10:00", Utc(2025, 1, 10), Utc(2024, 2, 29, 10, 0)},
    };
    for (const Case& c : table) {
        const std::string line = std::string("-rw-r--r-- 1 u g 1 ") + c.date + " f";
        const auto entry = ParseListLine(line, c.now);
        ASSERT_TRUE(entry.has_value()) << line;
        EXPECT_EQ(entry->modified, c.expected) << line;
    }
}

TEST(ParseListLine, DosAndIisLines)
{
    const Expected table[] = {
        {"12-13-19  10:17AM       <DIR>          aspnet_client", "aspnet_client", FtpEntryKind::Directory, 0,
         Utc(2019, 12, 13, 10, 17)},
        {"12-13-19  10:17AM                  689 iisstart.htm", "iisstart.htm", FtpEntryKind::File, 689,
         Utc(2019, 12, 13, 10, 17)},
        {"01-05-98  03:04PM           5368709120 big one.bin", "big one.bin", FtpEntryKind::File, FiveGigabytes,
         Utc(1998, 1, 5, 15, 4)},
        {"01-05-70  12:00AM                    1 midnight", "midnight", FtpEntryKind::File, 1, Utc(1970, 1, 5, 0, 0)},
        {"01-05-69  12:30PM                    1 noon", "noon", FtpEntryKind::File, 1, Utc(2069, 1, 5, 12, 30)},
        {"07-04-2021  11:59pm       <DIR>          four digit year", "four digit year", FtpEntryKind::Directory, 0,
         Utc(2021, 7, 4, 23, 59)},
        {"07-04-21  17:30                   10 24hour", "24hour", FtpEntryKind::File, 10, Utc(2021, 7, 4, 17, 30)},
        // Leading blanks survive in both columns' layouts.
        {"12-13-19  10:17AM                  689  lead", " lead", FtpEntryKind::File, 689, Utc(2019, 12, 13, 10, 17)},
        {"12-13-19  10:17AM       <DIR>           lead", " lead", FtpEntryKind::Directory, 0,
         Utc(2019, 12, 13, 10, 17)},
        {"12-13-19  10:17AM <DIR> short", "short", FtpEntryKind::Directory, 0, Utc(2019, 12, 13, 10, 17)},
    };
    for (const Expected& want : table)
        ExpectEntry(ParseListLine(want.line, Now), want);
}

TEST(ParseListLine, RejectsWhatIsNoEntry)
{
    const char* table[] = {
        "",
        "total 123",
        "total 0",
        "   ",
        "hello world",
        "-rw-r--r--",
        "-rw-r--r--   1 root root 3 Jan 05  2020",             // no name
        "-rw-r--r--   1 root root 3 Jan 05  2020 ",            // only the separator
        "-rw-r--r--   1 root root 3 Foo 05  2020 x",           // no month
        "-rw-r--r--   1 root root 3 Jan 32  2020 x",           // no such day
        "-rw-r--r--   1 root root 3 Feb 30  2020 x",
        "-rw-r--r--   1 root root 3 Jan 05 25:00 x",           // no such hour
        "-rw-r--r--   1 root root 3 Jan 05 10:60 x",
        "-rw-r--r--   1 root root 3 Jan 05 99999 x",           // five-digit year
        "-rw-r--r--   1 root root 18446744073709551616 Jan 05  2020 x",  // size overflows 64 bits
        "-rw-r--r--   1 root root 3x Jan 05  2020 x",
        "?rw-r--r--   1 root root 3 Jan 05  2020 x",           // unknown type letter
        "-rw-r--r-Q   1 root root 3 Jan 05  2020 x",
        "13-01-20  10:17AM                  689 x",            // month 13
        "12-13-19  13:17PM                  689 x",            // 13 PM
        "12-13-19  00:17AM                  689 x",
        "12-13-19  10:17AM                  689",              // no name
        "12-13-19  10:17AM                  689 ",
        "12-13-19  10:17AM                 6a9 x",
        "12-13-1  10:17AM                  689 x",
        "12-13-19  10:17AM       <DIR>          ",
    };
    for (const char* line : table)
        EXPECT_FALSE(ParseListLine(line, Now).has_value()) << line;
}

TEST(ParseListLine, LargestSizeStillParses)
{
    const auto entry = ParseListLine("-rw-r--r-- 1 u g 18446744073709551615 Jan 05  2020 max", Now);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->size, 18446744073709551615ULL);
}

TEST(ParseMlsdLine, LinesOfRealServers)
{
    const Expected table[] = {
        // pyftpdlib
        {"modify=20200105123456;perm=r;size=3;type=file;unique=fe00ga72038; a file.txt", "a file.txt",
         FtpEntryKind::File, 3, Utc(2020, 1, 5, 12, 34, 56)},
        {"modify=20261208060629;perm=el;size=4096;type=dir;unique=fe00ga72037; sub", "sub", FtpEntryKind::Directory,
         4096, Utc(2026, 12, 8, 6, 6, 29)},
        {"modify=20261208060629;perm=r;size=5368709120;type=file;unique=fe00ga7203b; big.bin", "big.bin",
         FtpEntryKind::File, FiveGigabytes, Utc(2026, 12, 8, 6, 6, 29)},
        {"modify=20261208060629;perm=r;size=2;type=file;unique=fe00ga72039;  lead", " lead", FtpEntryKind::File, 2,
         Utc(2026, 12, 8, 6, 6, 29)},
        // ProFTPD / Pure-FTPd style, with the listed directory and its parent.
        {"type=cdir;modify=20240101000000;UNIX.mode=0755; /home/user", ".", FtpEntryKind::Directory, 0,
         Utc(2024, 1, 1)},
        {"type=pdir;modify=20240101000000;UNIX.mode=0755; /home", "..", FtpEntryKind::Directory, 0, Utc(2024, 1, 1)},
        {"type=OS.unix=slink:/etc/target;size=6;modify=20240101000000; shortcut", "shortcut", FtpEntryKind::Link, 6,
         Utc(2024, 1, 1)},
        {"type=OS.unix=symlink;size=6;modify=20240101000000; other", "other", FtpEntryKind::Link, 6, Utc(2024, 1, 1)},
        {"type=OS.unix=chr-1/3;modify=20240101000000; null", "null", FtpEntryKind::Other, 0, Utc(2024, 1, 1)},
        // Fractional seconds, upper-case fact names and values.
        {"Type=FILE;Size=10;Modify=20240229235959.123; frac", "frac", FtpEntryKind::File, 10,
         Utc(2024, 2, 29, 23, 59, 59)},
        // Names holding ';', blanks and "; ".
        {"type=file;size=1;modify=20240101000000; semi;colon; and blanks", "semi;colon; and blanks",
         FtpEntryKind::File, 1, Utc(2024, 1, 1)},
        // A fact value with a blank still ends at "; ".
        {"type=file;UNIX.owner=John Doe;size=1; owned", "owned", FtpEntryKind::File, 1, 0},
        // No trailing ';' before the name; no facts at all; missing facts.
        {"type=file;size=4 bare", "bare", FtpEntryKind::File, 4, 0},
        {" nofacts", "nofacts", FtpEntryKind::File, 0, 0},
        {" a; b", "a; b", FtpEntryKind::File, 0, 0},
        {"perm=r; onlyperm", "onlyperm", FtpEntryKind::File, 0, 0},
        {"type=file;size=1;modify=20240101000000; caf\xe9", "caf\xe9", FtpEntryKind::File, 1, Utc(2024, 1, 1)},
    };
    for (const Expected& want : table)
        ExpectEntry(ParseMlsdLine(want.line), want);
}

TEST(ParseMlsdLine, RejectsBrokenLines)
{
    const char* table[] = {
        "",
        " ",
        "type=file;size=1;",                                  // no name
        "type=file;size=1; ",
        "type=file;size=12a; x",                              // size not a number
        "type=file;size=18446744073709551616; x",            // size overflows 64 bits
        "type=file;size=; x",
        "type=file;modify=2024010100000; x",                  // 13 digits
        "type=file;modify=20241301000000; x",                 // month 13
        "type=file;modify=20230229000000; x",                 // no Feb 29 in 2023
        "type=file;modify=20240101250000; x",
        "type=file;modify=20240101000000.; x",
        "type=file;modify=20240101000000.1x; x",
    };
    for (const char* line : table)
        EXPECT_FALSE(ParseMlsdLine(line).has_value()) << line;
}

TEST(ParseListing, SplitsLinesAndSkipsJunk)
{
    const std::string text =
        "total 12\r\n"
        "drwxr-xr-x   2 root     root         4096 Jan 05  2020 sub\r\n"
        "garbage\r\n"
        "-rw-r--r--   1 root     root            3 Jan 05  2020 cr\r\r\n"
        "\n"
        "-rw-r--r--   1 root     root            3 Jan 05  2020 last";
    const auto entries = ParseListing(text, false, Now);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "sub");
    EXPECT_EQ(entries[1].name, "cr\r");  // only the one CR before LF goes
    EXPECT_EQ(entries[2].name, "last");
}

TEST(ParseListing, MachineFormat)
{
    const std::string text =
        "type=cdir;modify=20240101000000; /x\r\n"
        "type=dir;modify=20240101000000; d\r\n"
        "type=file;size=broken; bad\r\n"
        "type=file;size=7;modify=20240101000000; f\r\n";
    const auto entries = ParseListing(text, true, Now);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, ".");
    EXPECT_EQ(entries[1].name, "d");
    EXPECT_EQ(entries[2].name, "f");
    EXPECT_EQ(entries[2].size, 7u);
}

TEST(ParseListing, EmptyReply)
{
    EXPECT_TRUE(ParseListing("", false, Now).empty());
    EXPECT_TRUE(ParseListing("\r\n\r\n", true, Now).empty());
}
