#include "transfer/ProgressGeometry.h"

#include <algorithm>
#include <climits>

namespace {

// Truncates toward zero like a plain cast, but stays defined for values a
// far-out position can produce.
int TruncateToInt(double value)
{
    return static_cast<int>(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

} // namespace

bool ProgressGeometry::IsEmptyRange() const
{
    return lower >= upper;
}

double ProgressGeometry::Fraction() const
{
    if (IsEmptyRange())
        return 0.0;
    return (static_cast<double>(pos) - static_cast<double>(lower))
        / (static_cast<double>(upper) - static_cast<double>(lower));
}

int ProgressGeometry::FilledWidth(int clientWidth) const
{
    return TruncateToInt(Fraction() * clientWidth);
}

int ProgressGeometry::Percent() const
{
    return TruncateToInt(Fraction() * 100.0);
}

std::string ProgressGeometry::PercentText() const
{
    if (IsEmptyRange())
        return "";
    return std::to_string(Percent()) + "%";
}
