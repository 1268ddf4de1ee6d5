#include "platform/AccessibleTable.h"

#include "platform/OwnAccessible.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>
#include <wx/window.h>

#include <climits>
#include <map>

namespace {

struct TableAccessible;

// One cell, or with row kHeaderRow a column's header. It reads its text from
// the source each time, so it never speaks stale words; once its table
// dropped it (the rows changed) it is defunct.
struct CellAccessible {
    AtkObject parent;
    TableAccessible* table;
    int row;
    int column;
};

struct TableAccessible {
    GtkWidgetAccessible parent;
    const AccessibleTableSource* source;
    // Handed-out cells by child index, and the headers below 0 (see CellKey).
    std::map<int, AtkObject*>* cells;
};

constexpr int kHeaderRow = -1;

GType CellType();
GType TableType();

CellAccessible* AsCell(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, CellType(), CellAccessible);
}

TableAccessible* AsTable(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, TableType(), TableAccessible);
}

// Null once the widget is gone: the source may be gone with it.
const AccessibleTableSource* SourceOf(TableAccessible* table)
{
    if (!table || !gtk_accessible_get_widget(GTK_ACCESSIBLE(table)))
        return nullptr;
    return table->source;
}

int Columns(TableAccessible* table)
{
    const AccessibleTableSource* source = SourceOf(table);
    return source ? source->AccessibleColumns() : 0;
}

int Rows(TableAccessible* table)
{
    const AccessibleTableSource* source = SourceOf(table);
    return source ? source->AccessibleRows() : 0;
}

bool IsCellOf(TableAccessible* table, int row, int column)
{
    return row >= 0 && row < Rows(table) && column >= 0 && column < Columns(table);
}

bool HasFocus(TableAccessible* table)
{
    GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(table));
    return widget && gtk_widget_has_focus(widget);
}

// Cells.

// ATK lends a name or description out: it is kept on the object under `key`
// until the next ask.
const gchar* Lend(AtkObject* object, const char* key, const std::string& text)
{
    g_object_set_data_full(G_OBJECT(object), key, g_strdup(text.c_str()), g_free);
    return static_cast<const gchar*>(g_object_get_data(G_OBJECT(object), key));
}

const gchar* CellName(AtkObject* object)
{
    CellAccessible* cell = AsCell(object);
    const AccessibleTableSource* source = SourceOf(cell->table);
    if (!source)
        return "";
    return Lend(object, "vantrel-cell-name", cell->row == kHeaderRow
                                                  ? source->AccessibleColumnTitle(cell->column)
                                                  : source->AccessibleCell(cell->row, cell->column));
}

const gchar* CellDescription(AtkObject* object)
{
    CellAccessible* cell = AsCell(object);
    const AccessibleTableSource* source = SourceOf(cell->table);
    if (!source || cell->row == kHeaderRow || cell->column != 0)
        return nullptr;
    return Lend(object, "vantrel-cell-kind", source->AccessibleRowKind(cell->row));
}

AtkStateSet* CellStates(AtkObject* object)
{
    CellAccessible* cell = AsCell(object);
    AtkStateSet* states = atk_state_set_new();
    const AccessibleTableSource* source = SourceOf(cell->table);
    if (!source || (cell->row != kHeaderRow && !IsCellOf(cell->table, cell->row, cell->column))) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    for (AtkStateType state : {ATK_STATE_ENABLED, ATK_STATE_SENSITIVE, ATK_STATE_VISIBLE, ATK_STATE_SHOWING})
        atk_state_set_add_state(states, state);
    if (cell->row == kHeaderRow)
        return states;
    for (AtkStateType state : {ATK_STATE_TRANSIENT, ATK_STATE_SELECTABLE, ATK_STATE_FOCUSABLE})
        atk_state_set_add_state(states, state);
    if (source->AccessibleRowSelected(cell->row))
        atk_state_set_add_state(states, ATK_STATE_SELECTED);
    if (cell->row == source->AccessibleFocusedRow() && HasFocus(cell->table))
        atk_state_set_add_state(states, ATK_STATE_FOCUSED);
    return states;
}

gint CellIndex(AtkObject* object)
{
    CellAccessible* cell = AsCell(object);
    if (cell->row == kHeaderRow)
        return -1;
    return cell->row * Columns(cell->table) + cell->column;
}

// A header tells its sort order the way web tables do ("sort").
AtkAttributeSet* CellAttributes(AtkObject* object)
{
    CellAccessible* cell = AsCell(object);
    const AccessibleTableSource* source = SourceOf(cell->table);
    if (!source || cell->row != kHeaderRow)
        return nullptr;
    const char* order = "none";
    switch (source->AccessibleSortOrder(cell->column)) {
    case AccessibleTableSource::SortOrder::Ascending: order = "ascending"; break;
    case AccessibleTableSource::SortOrder::Descending: order = "descending"; break;
    case AccessibleTableSource::SortOrder::None: break;
    }
    auto* attribute = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
    attribute->name = g_strdup("sort");
    attribute->value = g_strdup(order);
    return g_slist_append(nullptr, attribute);
}

void InitCellClass(gpointer klass, gpointer)
{
    auto* atk = ATK_OBJECT_CLASS(klass);
    atk->get_name = CellName;
    atk->get_description = CellDescription;
    atk->ref_state_set = CellStates;
    atk->get_index_in_parent = CellIndex;
    atk->get_attributes = CellAttributes;
}

GType CellType()
{
    static const GType type = RegisterAccessibleClass({ATK_TYPE_OBJECT, "VantrelTableCell",
        sizeof(AtkObjectClass), InitCellClass, sizeof(CellAccessible), nullptr, 0, nullptr});
    return type;
}

AtkObject* NewCell(TableAccessible* table, int row, int column)
{
    auto* object = ATK_OBJECT(g_object_new(CellType(), nullptr));
    CellAccessible* cell = AsCell(object);
    cell->table = table;
    cell->row = row;
    cell->column = column;
    atk_object_set_role(object, row == kHeaderRow ? ATK_ROLE_TABLE_COLUMN_HEADER : ATK_ROLE_TABLE_CELL);
    atk_object_set_parent(object, ATK_OBJECT(table));
    return object;
}

// The table.

// A cell's child index; a header's key is below 0, so that the headers stay
// when the rows change.
int CellKey(TableAccessible* table, int row, int column)
{
    return row == kHeaderRow ? -1 - column : row * Columns(table) + column;
}

// The cell or header handed out before, else a new one.
AtkObject* KeptCell(TableAccessible* table, int row, int column)
{
    const int key = CellKey(table, row, column);
    auto found = table->cells->find(key);
    if (found == table->cells->end())
        found = table->cells->emplace(key, NewCell(table, row, column)).first;
    return found->second;
}

AtkObject* CellAt(TableAccessible* table, int row, int column)
{
    return IsCellOf(table, row, column) ? KeptCell(table, row, column) : nullptr;
}

// Lets go of the cells whose key is `first` or above.
void DropCells(TableAccessible* table, int first)
{
    const auto from = table->cells->lower_bound(first);
    for (auto kept = from; kept != table->cells->end(); ++kept) {
        AsCell(kept->second)->table = nullptr;
        g_object_unref(kept->second);
    }
    table->cells->erase(from, table->cells->end());
}

AtkObject* RefAt(AtkTable* object, gint row, gint column)
{
    AtkObject* cell = CellAt(AsTable(object), row, column);
    return cell ? ATK_OBJECT(g_object_ref(cell)) : nullptr;
}

gint IndexAt(AtkTable* object, gint row, gint column)
{
    return IsCellOf(AsTable(object), row, column) ? CellKey(AsTable(object), row, column) : -1;
}

gint ColumnAtIndex(AtkTable* object, gint index)
{
    const int columns = Columns(AsTable(object));
    return columns > 0 && index >= 0 ? index % columns : -1;
}

gint RowAtIndex(AtkTable* object, gint index)
{
    const int columns = Columns(AsTable(object));
    return columns > 0 && index >= 0 ? index / columns : -1;
}

AtkObject* ColumnHeader(AtkTable* object, gint column)
{
    TableAccessible* table = AsTable(object);
    if (column < 0 || column >= Columns(table))
        return nullptr;
    return KeptCell(table, kHeaderRow, column);
}

const gchar* ColumnDescription(AtkTable* object, gint column)
{
    AtkObject* header = ColumnHeader(object, column);
    return header ? atk_object_get_name(header) : nullptr;
}

gboolean RowSelected(AtkTable* object, gint row)
{
    const AccessibleTableSource* source = SourceOf(AsTable(object));
    return source && row >= 0 && row < source->AccessibleRows() && source->AccessibleRowSelected(row);
}

// The list selects one row at most, which the focus search finds first.
int SelectedRow(TableAccessible* table)
{
    const AccessibleTableSource* source = SourceOf(table);
    if (!source)
        return -1;
    const int focused = source->AccessibleFocusedRow();
    if (focused >= 0 && source->AccessibleRowSelected(focused))
        return focused;
    for (int row = 0; row < source->AccessibleRows(); ++row)
        if (source->AccessibleRowSelected(row))
            return row;
    return -1;
}

gint SelectedRows(AtkTable* object, gint** selected)
{
    const int row = SelectedRow(AsTable(object));
    if (row < 0) {
        *selected = nullptr;
        return 0;
    }
    *selected = g_new(gint, 1);
    (*selected)[0] = row;
    return 1;
}

void InitTableInterface(gpointer table, gpointer)
{
    auto* iface = static_cast<AtkTableIface*>(table);
    iface->ref_at = RefAt;
    iface->get_index_at = IndexAt;
    iface->get_column_at_index = ColumnAtIndex;
    iface->get_row_at_index = RowAtIndex;
    iface->get_n_columns = [](AtkTable* object) { return Columns(AsTable(object)); };
    iface->get_n_rows = [](AtkTable* object) { return Rows(AsTable(object)); };
    iface->get_column_header = ColumnHeader;
    iface->get_column_description = ColumnDescription;
    iface->is_row_selected = RowSelected;
    // The list selects whole rows.
    iface->is_selected = [](AtkTable* object, gint row, gint) { return RowSelected(object, row); };
    iface->get_selected_rows = SelectedRows;
}

gint ChildCount(AtkObject* object)
{
    return Rows(AsTable(object)) * Columns(AsTable(object));
}

AtkObject* RefChild(AtkObject* object, gint index)
{
    AtkTable* table = ATK_TABLE(object);
    return RefAt(table, RowAtIndex(table, index), ColumnAtIndex(table, index));
}

// A reader asks for the cells it shows instead of walking every child.
AtkStateSet* TableStates(AtkObject* object)
{
    AtkStateSet* states = ATK_OBJECT_CLASS(g_type_class_peek(GTK_TYPE_WIDGET_ACCESSIBLE))->ref_state_set(object);
    atk_state_set_add_state(states, ATK_STATE_MANAGES_DESCENDANTS);
    return states;
}

void InitTable(GTypeInstance* instance, gpointer)
{
    AsTable(instance)->cells = new std::map<int, AtkObject*>;
}

void FinalizeTable(GObject* object)
{
    TableAccessible* table = AsTable(object);
    DropCells(table, INT_MIN);
    delete table->cells;
    G_OBJECT_CLASS(g_type_class_peek(GTK_TYPE_WIDGET_ACCESSIBLE))->finalize(object);
}

void InitTableClass(gpointer klass, gpointer)
{
    G_OBJECT_CLASS(klass)->finalize = FinalizeTable;
    auto* atk = ATK_OBJECT_CLASS(klass);
    atk->get_n_children = ChildCount;
    atk->ref_child = RefChild;
    atk->ref_state_set = TableStates;
}

GType TableType()
{
    static const GType type = RegisterAccessibleClass({GTK_TYPE_WIDGET_ACCESSIBLE, "VantrelTableAccessible",
        sizeof(GtkWidgetAccessibleClass), InitTableClass, sizeof(TableAccessible), InitTable, ATK_TYPE_TABLE,
        InitTableInterface});
    return type;
}

// The widget that takes the keyboard focus, so that the table is what a
// reader meets when the list is focused.
GtkWidget* FocusWidgetOf(wxWindow& window)
{
    return window.m_wxwindow ? window.m_wxwindow : static_cast<GtkWidget*>(window.GetHandle());
}

// Null for no accessible of ours, which AsTable passes on.
TableAccessible* TableOf(wxWindow& window)
{
    return AsTable(OwnAccessibleOf(FocusWidgetOf(window), TableType()));
}

} // namespace

void ExposeAsTable(wxWindow& window, const AccessibleTableSource& source, const std::string& name)
{
    GtkWidget* widget = FocusWidgetOf(window);
    AtkObject* accessible = widget ? GiveOwnAccessible(widget, TableType(), ATK_ROLE_TABLE) : nullptr;
    if (!accessible)
        return;
    AsTable(accessible)->source = &source;
    atk_object_set_name(accessible, name.c_str());
}

void ReportTableRowsChanged(wxWindow& window)
{
    TableAccessible* table = TableOf(window);
    if (!table)
        return;
    DropCells(table, 0);
    g_signal_emit_by_name(table, "model-changed");
    g_signal_emit_by_name(table, "visible-data-changed");
}

void ReportTableFocusMoved(wxWindow& window)
{
    TableAccessible* table = TableOf(window);
    const AccessibleTableSource* source = SourceOf(table);
    if (!source)
        return;
    AtkObject* cell = CellAt(table, source->AccessibleFocusedRow(), 0);
    g_signal_emit_by_name(table, "selection-changed");
    if (!cell)
        return;
    g_signal_emit_by_name(table, "active-descendant-changed", cell);
    atk_object_notify_state_change(cell, ATK_STATE_FOCUSED, HasFocus(table));
}
