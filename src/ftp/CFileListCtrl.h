#pragma once
#include "ftp/ListEntry.h"
#include "platform/AccessibleTable.h"

#include <wx/listctrl.h>

#include <vector>

// The remote directory list (control 1040): a virtual report list, so a
// directory of 100,000 entries is shown without building 100,000 rows. The
// rows are the ListEntry records it owns, in display order; column 0 shows
// the name, 1 the size text, 2 the date text, and the image is the kind
// (0 folder, 1 file). Screen readers read it as a table.
class CFileListCtrl : public wxListCtrl, private AccessibleTableSource {
public:
    CFileListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);

    // Replaces every row; selection and focus are cleared.
    void SetEntries(std::vector<ListEntry> entries);
    void Sort(int descendingFlag, int column);

    int GetRowCount() const { return static_cast<int>(rows.size()); }
    const ListEntry& Row(int row) const { return rows[static_cast<std::size_t>(row)]; }

    int FirstSelected() const;
    void SelectRow(int row);
    void DeselectRow(int row);
    // Whether a point of the list (its own coordinates) lies on a row.
    bool IsOnRow(const wxPoint& point) const;
    // The row whose name equals `name` (without regard to case unless told
    // Exact), or -1.
    enum class NameMatch { IgnoreCase, Exact };
    int FindRow(const std::string& name, NameMatch match = NameMatch::IgnoreCase) const;

    // The picture the list draws for an entry of `kind` at its screen's
    // scale; empty before the first rows came.
    wxBitmap KindIcon(int kind) const;

private:
    int AccessibleRows() const override { return GetRowCount(); }
    int AccessibleColumns() const override { return GetColumnCount(); }
    std::string AccessibleCell(int row, int column) const override;
    std::string AccessibleColumnTitle(int column) const override;
    std::string AccessibleRowKind(int row) const override;
    bool AccessibleRowSelected(int row) const override;
    int AccessibleFocusedRow() const override;
    SortOrder AccessibleSortOrder(int column) const override;
    wxWindow* RowsWindow() const;
    void OnFocusOrSelection(wxListEvent& event);

    wxString OnGetItemText(long item, long column) const override;
    int OnGetItemImage(long item) const override;
    void LoadIcons();

    std::vector<ListEntry> rows;
    // The theme's folder and file pictures are looked up when the first rows
    // come: the logged-out window, which shows none, starts without them.
    bool iconsLoaded = false;
    // The last Sort's column and direction, for screen readers; -1 before.
    int sortColumn = -1;
    bool sortDescending = false;
};
