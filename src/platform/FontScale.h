#pragma once

class wxFont;

// Pixel sizes stored for a 96 dpi screen, shown at the desktop's font scale:
// a user who asks for larger text (GNOME's text scaling, GDK_DPI_SCALE, a
// higher Xft.dpi) gets columns wide enough for it, and the settings file
// keeps the same numbers whatever the scale.

// How much wider `font` draws on this screen than at 96 dpi: 1 at 96 dpi and
// under a window scale (GDK_SCALE), which GTK's own pixels already hide.
// Measured rather than taken from the dpi, as hinting rounds each glyph to
// whole pixels: at 1.5 times 96 dpi the dialog's font grows about 1.4 times,
// and so do the dialog and its list, laid out in that font.
double FontScale(const wxFont& font);

// A stored width as drawn at `scale`, and a drawn width as stored.
int ToScreenPixels(int storedPixels, double scale);
int ToStoredPixels(int screenPixels, double scale);
