// Text colours picked by contrast: the theme's own when readable, else moved
// just far enough from the background, keeping their hue where they can.
#include "transfer/TextContrast.h"

#include <gtest/gtest.h>

namespace {

TEST(TextContrast, RatiosAreWcag2s)
{
    EXPECT_NEAR(21.0, ContrastRatio(wxColour(0, 0, 0), wxColour(255, 255, 255)), 0.01);
    EXPECT_NEAR(1.0, ContrastRatio(wxColour(53, 132, 228), wxColour(53, 132, 228)), 0.01);
    EXPECT_NEAR(3.77, ContrastRatio(wxColour(53, 132, 228), wxColour(255, 255, 255)), 0.01);
    EXPECT_DOUBLE_EQ(ContrastRatio(wxColour(10, 20, 30), wxColour(200, 100, 0)),
                     ContrastRatio(wxColour(200, 100, 0), wxColour(10, 20, 30)));
}

// Adwaita's pairs, light and dark: the status text on the empty part and on
// the bar.
TEST(TextContrast, EveryThemePairBecomesReadable)
{
    const struct {
        wxColour text;
        wxColour background;
        bool darker;  // the text had to get darker (else lighter)
    } pairs[] = {
        {wxColour(53, 132, 228), wxColour(255, 255, 255), true},  // blue on white
        {wxColour(255, 255, 255), wxColour(53, 132, 228), true},  // white on the light bar
        {wxColour(21, 83, 158), wxColour(53, 53, 53), false},     // dark blue on dark grey
        {wxColour(45, 45, 45), wxColour(21, 83, 158), false},     // dark grey on the dark bar
    };
    for (const auto& pair : pairs) {
        const wxColour shown = ReadableOn(pair.text, pair.background);
        EXPECT_GE(ContrastRatio(shown, pair.background), kReadableContrast) << pair.text.GetAsString().ToStdString();
        const int change = shown.Red() + shown.Green() + shown.Blue() -
                           (pair.text.Red() + pair.text.Green() + pair.text.Blue());
        EXPECT_EQ(pair.darker, change < 0) << pair.text.GetAsString().ToStdString();
    }
}

TEST(TextContrast, ReadableColoursAndHuesStay)
{
    EXPECT_EQ(wxColour(0, 0, 0), ReadableOn(wxColour(0, 0, 0), wxColour(255, 255, 255)));
    EXPECT_EQ(wxColour(30, 90, 170), ReadableOn(wxColour(30, 90, 170), wxColour(255, 255, 255)));
    // Blue made readable on white is still blue, not black.
    const wxColour blue = ReadableOn(wxColour(53, 132, 228), wxColour(255, 255, 255));
    EXPECT_GT(blue.Blue(), blue.Red() + 60);
    // Nothing reaches 21 : 1 on mid grey: the better of black and white.
    EXPECT_EQ(wxColour(0, 0, 0), ReadableOn(wxColour(128, 128, 128), wxColour(128, 128, 128), 21.0));
}

} // namespace
