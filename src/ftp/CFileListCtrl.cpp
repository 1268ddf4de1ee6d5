#include "ftp/CFileListCtrl.h"

#include "platform/Text.h"
#include "platform/TextCase.h"

#include <wx/artprov.h>

CFileListCtrl::CFileListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxListCtrl(parent, id, pos, size, wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL | wxLC_HRULES | wxLC_VRULES |
                                            wxBORDER_SUNKEN)
{
    ExposeAsTable(*RowsWindow(), *this, "Remote files");
    for (const wxEventType type : {wxEVT_LIST_ITEM_FOCUSED, wxEVT_LIST_ITEM_SELECTED, wxEVT_LIST_ITEM_DESELECTED})
        Bind(wxEventTypeTag<wxListEvent>(type), &CFileListCtrl::OnFocusOrSelection, this);
}

// wx's own list draws its rows in a child window of its own, the one that
// takes the focus (the other child is the header).
wxWindow* CFileListCtrl::RowsWindow() const
{
    for (wxWindow* child : GetChildren())
        if (child->AcceptsFocus())
            return child;
    return const_cast<CFileListCtrl*>(this);
}

void CFileListCtrl::OnFocusOrSelection(wxListEvent& event)
{
    event.Skip();
    ReportTableFocusMoved(*RowsWindow());
}

void CFileListCtrl::SetEntries(std::vector<ListEntry> entries)
{
    for (int row = FirstSelected(); row >= 0; row = FirstSelected())
        DeselectRow(row);
    rows = std::move(entries);
    if (!rows.empty() && !iconsLoaded)
        LoadIcons();
    SetItemCount(static_cast<long>(rows.size()));
    ReportTableRowsChanged(*RowsWindow());
    Refresh();
}

// As bundles, so that the theme draws each picture for the screen's scale:
// at GDK_SCALE=2 a 32-pixel icon, not a 16-pixel one doubled.
void CFileListCtrl::LoadIcons()
{
    constexpr int kIconPixels = 16;
    const wxSize size(kIconPixels, kIconPixels);
    wxVector<wxBitmapBundle> images;
    images.push_back(wxArtProvider::GetBitmapBundle(wxART_FOLDER, wxART_LIST, size));
    images.push_back(wxArtProvider::GetBitmapBundle(wxART_NORMAL_FILE, wxART_LIST, size));
    SetSmallImages(images);
    iconsLoaded = true;
}

wxBitmap CFileListCtrl::KindIcon(int kind) const
{
    return iconsLoaded ? GetImages(wxIMAGE_LIST_SMALL)->GetImageBitmapFor(this, kind) : wxBitmap();
}

// The list's selection and focus are row numbers; they go where the entry
// goes, or a command would act on whatever file now stands in the old row.
void CFileListCtrl::Sort(int descendingFlag, int column)
{
    const int selected = FirstSelected();
    const long focused = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    const std::vector<std::size_t> moved = SortEntries(rows, descendingFlag, column);
    sortColumn = column;
    sortDescending = descendingFlag == 1;
    ReportTableRowsChanged(*RowsWindow());
    if (selected >= 0) {
        DeselectRow(selected);
        SelectRow(static_cast<int>(moved[static_cast<std::size_t>(selected)]));
    }
    if (focused >= 0) {
        const long to = static_cast<long>(moved[static_cast<std::size_t>(focused)]);
        SetItemState(to, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    }
    Refresh();
}

int CFileListCtrl::FirstSelected() const
{
    return static_cast<int>(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

void CFileListCtrl::SelectRow(int row)
{
    SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void CFileListCtrl::DeselectRow(int row)
{
    SetItemState(row, 0, wxLIST_STATE_SELECTED);
}

bool CFileListCtrl::IsOnRow(const wxPoint& point) const
{
    int flags = 0;
    return HitTest(point, flags) != wxNOT_FOUND;
}

int CFileListCtrl::FindRow(const std::string& name, NameMatch match) const
{
    for (std::size_t row = 0; row < rows.size(); ++row)
        if (match == NameMatch::Exact ? rows[row].name == name : EqualsNoCase(rows[row].name, name))
            return static_cast<int>(row);
    return -1;
}

wxString CFileListCtrl::OnGetItemText(long item, long column) const
{
    if (item < 0 || item >= GetRowCount())
        return {};
    const ListEntry& entry = rows[static_cast<std::size_t>(item)];
    switch (column) {
    case 0: return DisplayName(entry.name);
    case 1: return entry.kind == 1 ? wxString(FormatSizeText(entry.size)) : wxString();
    default: return FromUtf8(FormatDateText(entry.modified));
    }
}

int CFileListCtrl::OnGetItemImage(long item) const
{
    if (item < 0 || item >= GetRowCount())
        return -1;
    return rows[static_cast<std::size_t>(item)].kind;
}

std::string CFileListCtrl::AccessibleCell(int row, int column) const
{
    return ToUtf8(OnGetItemText(row, column));
}

std::string CFileListCtrl::AccessibleColumnTitle(int column) const
{
    wxListItem item;
    item.SetMask(wxLIST_MASK_TEXT);
    return GetColumn(column, item) ? ToUtf8(item.GetText()) : std::string();
}

std::string CFileListCtrl::AccessibleRowKind(int row) const
{
    return Row(row).kind == 0 ? "Folder" : "File";
}

bool CFileListCtrl::AccessibleRowSelected(int row) const
{
    return GetItemState(row, wxLIST_STATE_SELECTED) != 0;
}

int CFileListCtrl::AccessibleFocusedRow() const
{
    return static_cast<int>(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED));
}

AccessibleTableSource::SortOrder CFileListCtrl::AccessibleSortOrder(int column) const
{
    if (column != sortColumn)
        return SortOrder::None;
    return sortDescending ? SortOrder::Descending : SortOrder::Ascending;
}
