#pragma once
#include <string>

class wxWindow;

// What a table's accessible reads from the control that draws the table.
// Rows are positions in display order; every call comes on the window
// thread. Texts are UTF-8.
class AccessibleTableSource {
public:
    enum class SortOrder { None, Ascending, Descending };

    virtual int AccessibleRows() const = 0;
    virtual int AccessibleColumns() const = 0;
    virtual std::string AccessibleCell(int row, int column) const = 0;
    virtual std::string AccessibleColumnTitle(int column) const = 0;
    // What the row is ("Folder", "File"), said with its first cell.
    virtual std::string AccessibleRowKind(int row) const = 0;
    virtual bool AccessibleRowSelected(int row) const = 0;
    // -1 when no row has the focus.
    virtual int AccessibleFocusedRow() const = 0;
    virtual SortOrder AccessibleSortOrder(int column) const = 0;

protected:
    ~AccessibleTableSource() = default;
};

// Makes `window`, which draws rows itself, read as a table named `name`:
// rows of cells, column headers with their sort order, the selected and
// the focused row. Cells are made only when asked for, so a table of
// 100,000 rows costs nothing until a reader looks. `source` must outlive
// the window's native widget. Call once, before the window is shown.
void ExposeAsTable(wxWindow& window, const AccessibleTableSource& source, const std::string& name);

// The rows were replaced or reordered: cells handed out before say nothing
// more.
void ReportTableRowsChanged(wxWindow& window);

// The focus or the selection moved: the focused row's first cell is
// announced.
void ReportTableFocusMoved(wxWindow& window);
