#pragma once
#include <wx/colour.h>

// Text colours picked by contrast, so that the bar's text reads in light and
// dark themes alike: the theme's colour where it is readable, else the same
// colour moved away from its background, darker on a light one and lighter
// on a dark one, just as far as it takes.

// What readable text needs against its background (WCAG 2, normal text).
inline constexpr double kReadableContrast = 4.5;

// WCAG 2 contrast ratio of two opaque colours, from 1 to 21.
double ContrastRatio(const wxColour& first, const wxColour& second);

// `text` when it is readable on `background`; else the first of its mixes
// with black or white that is: toward the end that lies further from the
// background first, then toward the other.
wxColour ReadableOn(const wxColour& text, const wxColour& background, double ratio = kReadableContrast);
