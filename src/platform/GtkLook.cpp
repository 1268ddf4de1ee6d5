#include "platform/GtkLook.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <wx/combobox.h>
#include <wx/dcscreen.h>
#include <wx/font.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/textctrl.h>

namespace {

const char kCompactCss[] = "button { padding: 0px 4px; min-height: 0px; min-width: 0px; }\n"
                           "entry { min-height: 0px; padding-top: 0px; padding-bottom: 0px; }\n"
                           "combobox button { padding: 0px 2px; }\n"
                           "radiobutton, checkbutton { padding: 0px; min-height: 0px; }\n"
                           "radiobutton radio, checkbutton check { min-width: 12px; min-height: 12px; margin: 0px 2px 0px 0px; }\n"
                           // The list draws its header labels in the dialog's
                           // own font; the theme's bold is only what GTK
                           // measures the header with, and would load a
                           // font face (half a megabyte) for that alone.
                           "treeview.view header button { font-weight: normal; }\n";

// GTK's own Adwaita names each check mark as an SVG first and the same mark
// pre-rendered as a PNG second, and GTK computes both: the SVG alone loads
// librsvg with libxml2 and ICU, some 8 MB of a 56 MB process, for marks the
// PNG draws the same. Naming only the PNG keeps that out of the process.
const char kAdwaitaMarksCss[] =
    "check:checked { -gtk-icon-source: -gtk-recolor(url(\"resource:///org/gtk/libgtk/theme/Adwaita/assets/check-symbolic.symbolic.png\")); }\n"
    "check:indeterminate, radio:indeterminate { -gtk-icon-source: -gtk-recolor(url(\"resource:///org/gtk/libgtk/theme/Adwaita/assets/dash-symbolic.symbolic.png\")); }\n"
    "radio:checked { -gtk-icon-source: -gtk-recolor(url(\"resource:///org/gtk/libgtk/theme/Adwaita/assets/bullet-symbolic.symbolic.png\")); }\n";

// Another theme draws its marks its own way, so the marks are named only
// under the Adwaita that GTK carries (also its dark variant).
bool UsesBuiltInAdwaita()
{
    const gchar* forced = g_getenv("GTK_THEME");
    gchar* configured = nullptr;
    if (!forced || !*forced)
        g_object_get(gtk_settings_get_default(), "gtk-theme-name", &configured, nullptr);
    const gchar* name = forced && *forced ? forced : configured;
    const bool adwaita = name && g_str_has_prefix(name, "Adwaita");
    g_free(configured);
    return adwaita;
}

// Over the theme for the whole screen, or for one widget's `style` only.
void AddCss(const std::string& css, GtkStyleContext* style = nullptr)
{
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
    const guint priority = GTK_STYLE_PROVIDER_PRIORITY_APPLICATION;
    if (style)
        gtk_style_context_add_provider(style, GTK_STYLE_PROVIDER(provider), priority);
    else
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider), priority);
    g_object_unref(provider);
}

// The side padding of a box too narrow for the theme's.
const char kNarrowEntryCss[] = "entry { padding-left: 1px; padding-right: 1px; }";

// GTK scrolls an entry's text once it and the cursor do not fit.
constexpr int kCursorRoom = 2;
constexpr double kFontStep = 0.5;
constexpr double kSmallestFont = 6.0;

// Border and padding on both sides, as the theme draws them now.
int EntryFrameWidth(GtkWidget* entry)
{
    GtkStyleContext* style = gtk_widget_get_style_context(entry);
    const GtkStateFlags state = gtk_style_context_get_state(style);
    GtkBorder padding{};
    GtkBorder border{};
    gtk_style_context_get_padding(style, state, &padding);
    gtk_style_context_get_border(style, state, &border);
    return padding.left + padding.right + border.left + border.right;
}

int TextWidth(const wxFont& font, const wxString& text)
{
    wxScreenDC dc;
    dc.SetFont(font);
    return dc.GetTextExtent(text).GetWidth();
}

} // namespace

void UseCompactControls()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    AddCss(std::string(kCompactCss) + (UsesBuiltInAdwaita() ? kAdwaitaMarksCss : ""));
}

void SetPasswordMask(wxTextCtrl* edit, bool masked)
{
    GtkWidget* widget = static_cast<GtkWidget*>(edit->GetHandle());
    if (!GTK_IS_ENTRY(widget))
        return;
    gtk_entry_set_invisible_char(GTK_ENTRY(widget), '*');
    gtk_entry_set_visibility(GTK_ENTRY(widget), !masked);
}

int PopupMenuWidth(wxMenu& menu)
{
    // GTK sizes a menu only when it pops up; its items are the menu font's
    // text of the label and of the key name, with the theme's padding
    // around them (measured: about 20 pixels on each side).
    wxScreenDC dc;
    dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    int widest = 0;
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        const wxString label = item->GetItemLabel();
        const wxString text = label.BeforeFirst('\t') + (label.Contains("\t") ? "      " + label.AfterFirst('\t') : "");
        widest = std::max(widest, dc.GetTextExtent(wxMenuItem::GetLabelText(text)).GetWidth());
    }
    return widest + 2 * 20;
}

void WithoutPopupUpdates(wxComboBox* box, const std::function<void()>& change)
{
    GtkWidget* widget = static_cast<GtkWidget*>(box->GetHandle());
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(widget));
    GList* menus = gtk_menu_get_for_attach_widget(widget);
    GObject* menu = menus ? G_OBJECT(menus->data) : nullptr;
    // The menu is GTK's own class; without the property it is left alone.
    if (!menu || !g_object_class_find_property(G_OBJECT_GET_CLASS(menu), "model")) {
        change();
        return;
    }
    g_object_set(menu, "model", nullptr, nullptr);
    change();
    g_object_set(menu, "model", model, nullptr);
}

void ShowWholeText(wxTextCtrl* edit, const wxString& widest)
{
    GtkWidget* widget = static_cast<GtkWidget*>(edit->GetHandle());
    if (!GTK_IS_ENTRY(widget))
        return;
    AddCss(kNarrowEntryCss, gtk_widget_get_style_context(widget));
    const int room = edit->GetSize().GetWidth() - EntryFrameWidth(widget) - kCursorRoom;
    wxFont font = edit->GetFont();
    const int width = TextWidth(font, widest);
    if (width <= room)
        return;
    // Text widths grow with the point size, so one guess lands within a
    // step or two; each measure loads a font, which a start-up feels.
    const double guess = std::floor(font.GetFractionalPointSize() * room / width / kFontStep) * kFontStep;
    font.SetFractionalPointSize(std::max(guess, kSmallestFont));
    while (TextWidth(font, widest) > room && font.GetFractionalPointSize() - kFontStep >= kSmallestFont)
        font.SetFractionalPointSize(font.GetFractionalPointSize() - kFontStep);
    edit->SetFont(font);
}

bool WindowPositionsKnown()
{
#ifdef GDK_WINDOWING_WAYLAND
    return !GDK_IS_WAYLAND_DISPLAY(gdk_display_get_default());
#else
    return true;
#endif
}
