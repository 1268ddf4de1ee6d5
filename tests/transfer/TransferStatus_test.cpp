#include "transfer/TransferStatus.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr auto Up = TransferDirection::Upload;
constexpr auto Dn = TransferDirection::Download;

TEST(TransferDirectionTest, ValuesAreTheOpenContexts)
{
    EXPECT_EQ(2, static_cast<int>(Up));
    EXPECT_EQ(3, static_cast<int>(Dn));
}

struct ChunkCase {
    std::int64_t expected;
    std::int64_t chunk;
};

class ChunkSizeTest : public testing::TestWithParam<ChunkCase> {};

TEST_P(ChunkSizeTest, TwentiethClampedToLimits)
{
    EXPECT_EQ(GetParam().chunk, ChunkSize(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Rule, ChunkSizeTest,
    testing::Values(ChunkCase{0, 1000}, ChunkCase{1000, 1000}, ChunkCase{12000, 1000}, ChunkCase{20000, 1000},
        ChunkCase{20019, 1000}, ChunkCase{20020, 1001}, ChunkCase{100000, 5000}, ChunkCase{20000000, 1000000},
        ChunkCase{20000020, 1000000}, ChunkCase{5000000000LL, 1000000}));

TEST(SecondsLeftTest, ExtrapolatesFromTheCopiedShare)
{
    EXPECT_DOUBLE_EQ(3.0, SecondsLeft(1000, 4000, 1000));
    EXPECT_DOUBLE_EQ(0.0, SecondsLeft(5000, 4000, 4000));
    // 5 GB, a tenth copied in 60 s: nine times as long again.
    EXPECT_DOUBLE_EQ(540.0, SecondsLeft(60000, 5000000000LL, 500000000LL));
    EXPECT_DOUBLE_EQ(0.0, SecondsLeft(1000, 4000, 0));
}

// Resumed at 6000 of 10000: only the 1000 bytes of this run took the
// second, so the 3000 left take three more; the rate counts those bytes alone.
TEST(SecondsLeftTest, AResumedTransferCountsTheWholeFileAndTimesOnlyThisRun)
{
    EXPECT_DOUBLE_EQ(3.0, SecondsLeft(1000, 10000, 7000, 6000));
    EXPECT_DOUBLE_EQ(0.0, SecondsLeft(1000, 10000, 6000, 6000));
    EXPECT_EQ(4000, RateBytes(10000, 6000, 10000));
    EXPECT_EQ(10000, RateBytes(10000, 0, 12345));
}

TEST(SecondsLeftTest, FileLargerThanListedGivesNegativeEstimate)
{
    // Listed as 1 KB, the file has 1500 bytes: after the second chunk.
    const double left = SecondsLeft(2000, 1000, 1500);
    EXPECT_LT(left, 0.0);
    EXPECT_EQ("Downlaod   a.bin   remaining -1 sec", ProgressLine(Dn, "a.bin", left));
}

TEST(RateKbpsTest, ExpectedBitsOverSeconds)
{
    EXPECT_DOUBLE_EQ(8.0, RateKbps(1000, 1000));
    EXPECT_DOUBLE_EQ(40000.0, RateKbps(5000000000LL, 1000000));
}

TEST(RateKbpsTest, ZeroTicksCountAsOneTick)
{
    EXPECT_DOUBLE_EQ(8000.0, RateKbps(1000, 0));
    EXPECT_TRUE(std::isfinite(RateKbps(0, 0)));
}

struct LineCase {
    TransferDirection direction;
    double secondsLeft;
    const char* line;
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << '"' << c.line << '"';
}

class ProgressLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(ProgressLineTest, FormatsTimeLeft)
{
    EXPECT_EQ(GetParam().line, ProgressLine(GetParam().direction, "f.txt", GetParam().secondsLeft));
}

INSTANTIATE_TEST_SUITE_P(Lines, ProgressLineTest,
    testing::Values(LineCase{Dn, 12.4, "Downlaod   f.txt   remaining 12 sec"},
        LineCase{Dn, 60.0, "Downlaod   f.txt   remaining 60 sec"},
        LineCase{Dn, 61.0, "Downlaod   f.txt   remaining 1.0 min"},
        LineCase{Dn, 150.0, "Downlaod   f.txt   remaining 2.5 min"},
        LineCase{Up, 12.4, "Upload   f.txt   remaining 12 sec"},
        LineCase{Up, 60.0, "Upload   f.txt   remaining 60 sec"},
        LineCase{Up, 61.0, "Uplaod   f.txt   remaining 1.0 min"},
        LineCase{Up, 150.0, "Uplaod   f.txt   remaining 2.5 min"},
        LineCase{Dn, 0.0, "Downlaod   f.txt   remaining 0 sec"}));

struct FinalCase {
    TransferDirection direction;
    std::int64_t elapsedMs;
    std::int64_t totalBytes;
    const char* line;
};

// A case is named by the line it expects (not by its bytes, which hold a
// pointer and change from run to run).
void PrintTo(const FinalCase& c, std::ostream* os)
{
    *os << '"' << c.line << '"';
}

class FinalLineTest : public testing::TestWithParam<FinalCase> {};

TEST_P(FinalLineTest, FormatsTimeAndRate)
{
    const FinalCase& c = GetParam();
    EXPECT_EQ(c.line, FinalLine(c.direction, "f.txt", c.elapsedMs, c.totalBytes));
}

INSTANTIATE_TEST_SUITE_P(Lines, FinalLineTest,
    testing::Values(FinalCase{Dn, 2000, 12000, "Download   f.txt   2 sec   48 Kbps"},
        FinalCase{Dn, 60000, 7500000, "Download   f.txt   60 sec   1000 Kbps"},
        FinalCase{Dn, 61000, 7625000, "Download   f.txt   1.0 min   1000 Kbps"},
        FinalCase{Up, 2000, 12000, "Upload   f.txt   2 sec   48 Kbps"},
        FinalCase{Up, 60000, 7500000, "Upload   f.txt   60 sec   1000 Kbps"},
        FinalCase{Up, 61000, 7625000, "Upload   f.txt   1.0 min   1000 Kbps"},
        // 5 GB in 1000 s: 40000 Kbps, nothing wraps around.
        FinalCase{Dn, 1000000, 5000000000LL, "Download   f.txt   16.7 min   40000 Kbps"},
        FinalCase{Up, 0, 1000, "Upload   f.txt   0 sec   8000 Kbps"},
        FinalCase{Up, 0, 0, "Upload   f.txt   0 sec   0 Kbps"}));

TEST(TransferLinesTest, StartAbortedAndFailedTexts)
{
    EXPECT_EQ("downlaoding f.txt", StartText(Dn, "f.txt"));
    EXPECT_EQ("uplaoding f.txt", StartText(Up, "f.txt"));
    EXPECT_EQ("Download  f.txt  Aborted", AbortedLine(Dn, "f.txt"));
    EXPECT_EQ("Upload   f.txt   Aborted", AbortedLine(Up, "f.txt"));
    EXPECT_EQ("Download   f.txt   Failed", FailedLine(Dn, "f.txt"));
    EXPECT_EQ("Upload   f.txt   Failed", FailedLine(Up, "f.txt"));
}

TEST(TransferLinesTest, NamesWithPercentSignsAndUtf8AreCopiedAsTheyAre)
{
    EXPECT_EQ("Downlaod   100%s \xC3\xA9.txt   remaining 3 sec", ProgressLine(Dn, "100%s \xC3\xA9.txt", 3.0));
    const std::string longName(5000, 'n');
    EXPECT_EQ("Upload   " + longName + "   2 sec   48 Kbps", FinalLine(Up, longName, 2000, 12000));
}

TEST(MinimisedTitleTest, DirectionPercentDomainAndTitle)
{
    // A file listed as 12 KB after its first 1000-byte chunk: 8.3 %.
    EXPECT_EQ("Dn 8% ftp.example.org - Vantrel", MinimisedTitle(Dn, 1000, 12000, "ftp.example.org", " Vantrel"));
    EXPECT_EQ("Up 50% host - Vantrel", MinimisedTitle(Up, 500, 1000, "host", " Vantrel"));
    // Rounded by the format, and past 100 when the file is larger than listed.
    EXPECT_EQ("Dn 67% h - V", MinimisedTitle(Dn, 2, 3, "h", " V"));
    EXPECT_EQ("Dn 150% h - V", MinimisedTitle(Dn, 1500, 1000, "h", " V"));
    EXPECT_EQ("Dn 60% h - V", MinimisedTitle(Dn, 3000000000LL, 5000000000LL, "h", " V"));
}

TEST(MinimisedTitleTest, FinalMessageAndUnknownTotalLeaveTitleAlone)
{
    EXPECT_FALSE(MinimisedTitle(Dn, 0, 12000, "h", " V").has_value());
    EXPECT_FALSE(MinimisedTitle(Up, 10, 0, "h", " V").has_value());
}

} // namespace
