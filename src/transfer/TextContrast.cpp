#include "transfer/TextContrast.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMixSteps = 20;

double Linear(unsigned char channel)
{
    const double value = channel / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(const wxColour& colour)
{
    return 0.2126 * Linear(colour.Red()) + 0.7152 * Linear(colour.Green()) + 0.0722 * Linear(colour.Blue());
}

unsigned char Mixed(unsigned char from, unsigned char to, double share)
{
    return static_cast<unsigned char>(std::lround(from + (to - from) * share));
}

wxColour MixedWith(const wxColour& colour, const wxColour& end, double share)
{
    return wxColour(Mixed(colour.Red(), end.Red(), share), Mixed(colour.Green(), end.Green(), share),
                    Mixed(colour.Blue(), end.Blue(), share));
}

} // namespace

double ContrastRatio(const wxColour& first, const wxColour& second)
{
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

wxColour ReadableOn(const wxColour& text, const wxColour& background, double ratio)
{
    if (ContrastRatio(text, background) >= ratio)
        return text;
    const wxColour black(0, 0, 0);
    const wxColour white(255, 255, 255);
    const bool darkerFirst = ContrastRatio(black, background) >= ContrastRatio(white, background);
    for (const wxColour& end : {darkerFirst ? black : white, darkerFirst ? white : black}) {
        for (int step = 1; step <= kMixSteps; ++step) {
            const wxColour mixed = MixedWith(text, end, static_cast<double>(step) / kMixSteps);
            if (ContrastRatio(mixed, background) >= ratio)
                return mixed;
        }
    }
    return darkerFirst ? black : white;
}
