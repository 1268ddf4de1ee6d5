#pragma once
#include <atk/atk.h>
#include <gtk/gtk.h>

// GTK makes a widget's accessible object for the widget's class, and wx
// draws its custom controls on one plain container class, so a control that
// must read as something else (a progress bar, a table) brings an object of
// its own. GiveOwnAccessible hands `accessible` out as `widget`'s from then
// on (the widget keeps the reference); every other widget of the class keeps
// GTK's. Window thread only.
void GiveOwnAccessible(GtkWidget* widget, AtkObject* accessible);

// The object given to `widget`, or null.
AtkObject* OwnAccessibleOf(GtkWidget* widget);

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
