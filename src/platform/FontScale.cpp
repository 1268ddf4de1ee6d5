#include "platform/FontScale.h"

#include <gtk/gtk.h>
#include <pango/pangocairo.h>
#include <wx/font.h>
#include <wx/fontutil.h>

#include <cmath>

namespace {

constexpr double kStoredDpi = 96.0;
// Every letter and digit, as dialog units are measured.
constexpr char kSample[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

int SampleWidth(PangoContext* context, const PangoFontDescription* font)
{
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, kSample, -1);
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    g_object_unref(layout);
    return width;
}

} // namespace

double FontScale(const wxFont& font)
{
    GdkScreen* screen = gdk_screen_get_default();
    if (!screen || !font.IsOk())
        return 1.0;
    const PangoFontDescription* description = font.GetNativeFontInfo()->description;
    PangoContext* onScreen = gdk_pango_context_get_for_screen(screen);
    PangoContext* at96 = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_cairo_context_set_resolution(at96, kStoredDpi);
    pango_cairo_context_set_font_options(at96, gdk_screen_get_font_options(screen));
    const int screenWidth = SampleWidth(onScreen, description);
    const int storedWidth = SampleWidth(at96, description);
    g_object_unref(at96);
    g_object_unref(onScreen);
    return screenWidth > 0 && storedWidth > 0 ? static_cast<double>(screenWidth) / storedWidth : 1.0;
}

int ToScreenPixels(int storedPixels, double scale)
{
    return static_cast<int>(std::lround(storedPixels * scale));
}

int ToStoredPixels(int screenPixels, double scale)
{
    return static_cast<int>(std::lround(screenPixels / scale));
}
