#include "platform/OwnAccessible.h"

#include <map>

namespace {

constexpr char kAccessibleKey[] = "vantrel-own-accessible";

using AccessibleLookup = AtkObject* (*)(GtkWidget*);

AtkObject* StoredAccessible(GtkWidget* widget)
{
    return static_cast<AtkObject*>(g_object_get_data(G_OBJECT(widget), kAccessibleKey));
}

// Each wrapped class's own lookup; touched on the window thread only.
std::map<GType, AccessibleLookup>& ClassLookups()
{
    static std::map<GType, AccessibleLookup> lookups;
    return lookups;
}

AtkObject* LookupWithOwn(GtkWidget* widget)
{
    if (AtkObject* own = StoredAccessible(widget))
        return own;
    // A subclass inherits the wrapper: the nearest wrapped class decides.
    for (GType type = G_OBJECT_TYPE(widget); type; type = g_type_parent(type)) {
        const auto found = ClassLookups().find(type);
        if (found != ClassLookups().end())
            return found->second(widget);
    }
    return nullptr;
}

void WrapClassLookup(GtkWidget* widget)
{
    GtkWidgetClass* klass = GTK_WIDGET_GET_CLASS(widget);
    if (klass->get_accessible == LookupWithOwn)
        return;
    ClassLookups()[G_OBJECT_TYPE(widget)] = klass->get_accessible;
    klass->get_accessible = LookupWithOwn;
}

} // namespace

AtkObject* GiveOwnAccessible(GtkWidget* widget, GType type, AtkRole role)
{
    if (StoredAccessible(widget))
        return nullptr;
    auto* accessible = ATK_OBJECT(g_object_new(type, "widget", widget, nullptr));
    atk_object_initialize(accessible, widget);
    atk_object_set_role(accessible, role);
    WrapClassLookup(widget);
    g_object_set_data_full(G_OBJECT(widget), kAccessibleKey, accessible, g_object_unref);
    return accessible;
}

AtkObject* OwnAccessibleOf(GtkWidget* widget, GType type)
{
    AtkObject* own = widget ? StoredAccessible(widget) : nullptr;
    return own && G_TYPE_CHECK_INSTANCE_TYPE(own, type) ? own : nullptr;
}

GType RegisterAccessibleClass(const AccessibleClassInfo& info)
{
    const GTypeInfo typeInfo = {info.classSize, nullptr, nullptr, info.classInit, nullptr, nullptr,
        info.instanceSize, 0, info.instanceInit, nullptr};
    const GType type = g_type_register_static(info.parent, info.name, &typeInfo, GTypeFlags(0));
    if (info.interfaceType) {
        const GInterfaceInfo interfaceInfo = {info.interfaceInit, nullptr, nullptr};
        g_type_add_interface_static(type, info.interfaceType, &interfaceInfo);
    }
    return type;
}
