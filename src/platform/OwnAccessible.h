#pragma once
#include <atk/atk.h>
#include <gtk/gtk.h>

// GTK makes a widget's accessible object for the widget's class, and wx
// draws its custom controls on one plain container class, so a control that
// must read as something else (a progress bar, a table) brings an object of
// its own. GiveOwnAccessible makes a new object of `type` in `role` for
// `widget` and hands it out as the widget's from then on (the widget keeps
// the reference); every other widget of the class keeps GTK's. Null when
// the widget has one already. Window thread only.
AtkObject* GiveOwnAccessible(GtkWidget* widget, GType type, AtkRole role);

// The object given to `widget` when it is of `type`, else null (also for
// no widget).
AtkObject* OwnAccessibleOf(GtkWidget* widget, GType type);

// A class of accessible objects of our own: derived from `parent`, with one
// interface of ATK's when interfaceType is not 0.
struct AccessibleClassInfo {
    GType parent;
    const char* name;
    guint16 classSize;
    GClassInitFunc classInit;
    guint16 instanceSize;
    GInstanceInitFunc instanceInit;
    GType interfaceType;
    GInterfaceInitFunc interfaceInit;
};
GType RegisterAccessibleClass(const AccessibleClassInfo& info);
