#pragma once
#include <string>

// Where a progress bar's fill ends and what percentage it shows, for a
// position within a range. Positions are 64-bit so a bar can run over a file
// of several gigabytes directly in bytes.
class ProgressGeometry {
public:
    ProgressGeometry(long long lower, long long upper, long long pos) : lower(lower), upper(upper), pos(pos) {}

    // A range whose lower bound is not below its upper one has no share to
    // show (an empty file gives 0 .. 0).
    bool IsEmptyRange() const;

    // (pos - lower) / (upper - lower); may exceed 1 when a file turns out
    // larger than listed, and is 0 for an empty range.
    double Fraction() const;

    // The filled part in pixels of a bar `clientWidth` wide, truncated toward
    // zero. It may exceed the bar (a drawer clips it); 0 for an empty range.
    int FilledWidth(int clientWidth) const;

    // The share in whole percent, truncated toward zero (99.9 % is 99); past
    // 100 for a file larger than listed, 0 for an empty range.
    int Percent() const;

    // "%d%%" of the truncated percentage (99.9 % shows as "99%"); empty for an
    // empty range.
    std::string PercentText() const;

private:
    long long lower;
    long long upper;
    long long pos;
};
