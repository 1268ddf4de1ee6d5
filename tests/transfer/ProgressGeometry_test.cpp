#include "transfer/ProgressGeometry.h"

#include <gtest/gtest.h>

namespace {

struct GeometryCase {
    long long lower;
    long long upper;
    long long pos;
    int clientWidth;
    int filledWidth;
    const char* percent;
};

class ProgressGeometryTest : public testing::TestWithParam<GeometryCase> {};

TEST_P(ProgressGeometryTest, FillAndPercentTruncateTowardZero)
{
    const GeometryCase& c = GetParam();
    const ProgressGeometry geometry(c.lower, c.upper, c.pos);
    EXPECT_EQ(c.filledWidth, geometry.FilledWidth(c.clientWidth));
    EXPECT_EQ(c.percent, geometry.PercentText());
}

INSTANTIATE_TEST_SUITE_P(Bars, ProgressGeometryTest,
    testing::Values(GeometryCase{0, 1000, 333, 200, 66, "33%"}, GeometryCase{0, 1000, 0, 200, 0, "0%"},
        GeometryCase{0, 1000, 1000, 200, 200, "100%"}, GeometryCase{0, 1000, 999, 200, 199, "99%"},
        // A file larger than listed runs past the end.
        GeometryCase{0, 1000, 1500, 200, 300, "150%"},
        // A position below the range truncates toward zero, not down.
        GeometryCase{100, 200, 99, 50, 0, "-1%"}, GeometryCase{100, 200, 150, 50, 25, "50%"},
        // 5 GB in bytes.
        GeometryCase{0, 5000000000LL, 2500000000LL, 266, 133, "50%"},
        GeometryCase{0, 5000000000LL, 4999999999LL, 266, 265, "99%"},
        // Far past the end stays a defined number.
        GeometryCase{0, 1, 1LL << 62, 200, 2147483647, "2147483647%"}));

TEST(ProgressGeometryEmptyRangeTest, NoShareToShow)
{
    for (const ProgressGeometry geometry : {ProgressGeometry(0, 0, 0), ProgressGeometry(10, 5, 7)}) {
        EXPECT_TRUE(geometry.IsEmptyRange());
        EXPECT_EQ(0.0, geometry.Fraction());
        EXPECT_EQ(0, geometry.FilledWidth(200));
        EXPECT_EQ("", geometry.PercentText());
    }
    EXPECT_FALSE(ProgressGeometry(0, 1, 0).IsEmptyRange());
}

} // namespace
