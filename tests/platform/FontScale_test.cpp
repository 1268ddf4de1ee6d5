// Widths stored as at 96 dpi and drawn at the font scale come back as they
// were stored, at every scale a desktop offers from 1 up.
#include "platform/FontScale.h"

#include <gtest/gtest.h>

namespace {

TEST(FontScale, StoredWidthsScaleToTheScreenAndBackUnchanged)
{
    const struct {
        double scale;
        int stored;
        int screen;
    } cases[] = {
        {1.0, 470, 470}, {1.25, 80, 100}, {1.5, 470, 705}, {1.5, 81, 122}, {1.75, 210, 368}, {2.0, 1, 2},
        {3.0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.screen, ToScreenPixels(c.stored, c.scale)) << c.scale << " " << c.stored;
        EXPECT_EQ(c.stored, ToStoredPixels(c.screen, c.scale)) << c.scale << " " << c.screen;
    }
    // A column the user dragged to any width is stored to the nearest pixel.
    EXPECT_EQ(67, ToStoredPixels(100, 1.5));
}

} // namespace
