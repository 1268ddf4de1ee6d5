#include "platform/AccessibleProgress.h"

#include "platform/OwnAccessible.h"
#include "platform/Text.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>
#include <wx/window.h>

#include <algorithm>
#include <string>

namespace {

constexpr int kLowest = 0;
constexpr int kHighest = 100;

struct ProgressAccessible {
    GtkWidgetAccessible parent;
    int percent;
    char* text;
};

GType ProgressAccessibleType();

ProgressAccessible* AsProgress(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, ProgressAccessibleType(), ProgressAccessible);
}

void GetValueAndText(AtkValue* value, gdouble* current, gchar** text)
{
    const ProgressAccessible* self = AsProgress(value);
    if (current)
        *current = self->percent;
    if (text)
        *text = g_strdup(self->text ? self->text : "");
}

void SetDouble(GValue* value, double number)
{
    g_value_init(value, G_TYPE_DOUBLE);
    g_value_set_double(value, number);
}

void InitValueInterface(gpointer table, gpointer)
{
    auto* iface = static_cast<AtkValueIface*>(table);
    iface->get_value_and_text = GetValueAndText;
    iface->get_range = [](AtkValue*) { return atk_range_new(kLowest, kHighest, nullptr); };
    iface->get_increment = [](AtkValue*) { return 1.0; };
    // The older half of the interface, which some readers still ask.
    iface->get_current_value = [](AtkValue* value, GValue* out) { SetDouble(out, AsProgress(value)->percent); };
    iface->get_minimum_value = [](AtkValue*, GValue* out) { SetDouble(out, kLowest); };
    iface->get_maximum_value = [](AtkValue*, GValue* out) { SetDouble(out, kHighest); };
}

void FinalizeProgress(GObject* object)
{
    g_free(AsProgress(object)->text);
    G_OBJECT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)))->finalize(object);
}

void InitProgressClass(gpointer klass, gpointer)
{
    G_OBJECT_CLASS(klass)->finalize = FinalizeProgress;
}

GType ProgressAccessibleType()
{
    static const GType type = RegisterAccessibleClass({GTK_TYPE_WIDGET_ACCESSIBLE, "VantrelProgressAccessible",
        sizeof(GtkWidgetAccessibleClass), InitProgressClass, sizeof(ProgressAccessible), nullptr, ATK_TYPE_VALUE,
        InitValueInterface});
    return type;
}

// Null for no accessible of ours, which AsProgress passes on.
ProgressAccessible* ProgressOf(wxWindow& window)
{
    return AsProgress(OwnAccessibleOf(static_cast<GtkWidget*>(window.GetHandle()), ProgressAccessibleType()));
}

} // namespace

void ExposeAsProgressBar(wxWindow& window)
{
    if (auto* widget = static_cast<GtkWidget*>(window.GetHandle()))
        GiveOwnAccessible(widget, ProgressAccessibleType(), ATK_ROLE_PROGRESS_BAR);
}

void ReportAccessibleProgress(wxWindow& window, int percent, const wxString& text)
{
    ProgressAccessible* self = ProgressOf(window);
    if (!self)
        return;
    percent = std::clamp(percent, kLowest, kHighest);
    const std::string utf8 = ToUtf8(text);
    if (percent == self->percent && self->text && utf8 == self->text)
        return;
    self->percent = percent;
    g_free(self->text);
    self->text = g_strdup(utf8.c_str());
    AtkObject* accessible = ATK_OBJECT(self);
    atk_object_set_name(accessible, self->text);
    g_object_notify(G_OBJECT(accessible), "accessible-value");
    g_signal_emit_by_name(accessible, "value-changed", static_cast<gdouble>(percent), self->text);
}
