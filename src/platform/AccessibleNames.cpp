#include "platform/AccessibleNames.h"

#include "platform/Text.h"

#include <gtk/gtk.h>
#include <wx/stattext.h>

#include <algorithm>
#include <string>

namespace {

std::string SpokenText(const wxStaticText& label)
{
    std::string text = ToUtf8(label.GetLabelText());
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void SetAccessibleName(GtkWidget* widget, const std::string& name)
{
    atk_object_set_name(gtk_widget_get_accessible(widget), name.c_str());
}

} // namespace

void NameByLabel(wxWindow* control, const wxStaticText& label)
{
    GtkWidget* labelWidget = static_cast<GtkWidget*>(label.GetHandle());
    GtkWidget* widget = static_cast<GtkWidget*>(control->GetHandle());
    if (!GTK_IS_LABEL(labelWidget) || !widget)
        return;
    const std::string name = SpokenText(label);
    SetAccessibleName(widget, name);
    GtkWidget* focused = widget;
    if (GTK_IS_COMBO_BOX(widget) && gtk_combo_box_get_has_entry(GTK_COMBO_BOX(widget))) {
        focused = gtk_bin_get_child(GTK_BIN(widget));
        SetAccessibleName(focused, name);
    }
    gtk_label_set_mnemonic_widget(GTK_LABEL(labelWidget), focused);
}
