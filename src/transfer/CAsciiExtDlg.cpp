#include "transfer/CAsciiExtDlg.h"

#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/Text.h"
#include "transfer/TransferRules.h"

#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Trimmed, lower case, and one leading dot dropped (the list holds
// extensions without their dot; "..x" keeps one).
std::string NormaliseExtension(const std::string& typed)
{
    std::string text = AsciiLower(TrimBlanks(typed));
    if (!text.empty() && text.front() == '.')
        text.erase(0, 1);
    return text;
}

} // namespace

CAsciiExtDlg::CAsciiExtDlg(wxWindow* parent)
{
    // The template is compiled in, so its absence is a build fault.
    if (!LoadDialogTemplate(this, parent, "140")) {
        wxFAIL_MSG("dialog template 140 is missing");
        return;
    }
    extListBox = wxStaticCast(FindWindow(IDC_EXT_LIST), wxListBox);
    extEditCtrl = wxStaticCast(FindWindow(IDC_EXT_EDIT), wxTextCtrl);
    // The explanation is longer than its box is wide; the template's box is
    // kept and the text broken into it.
    if (wxStaticText* info = wxDynamicCast(FindWindowByName("autoModeInfo", this), wxStaticText))
        info->Wrap(info->GetSize().GetWidth());
    Bind(wxEVT_INIT_DIALOG, &CAsciiExtDlg::OnInitDialog, this);
    Bind(wxEVT_LISTBOX, &CAsciiExtDlg::OnSelchangeExtList, this, IDC_EXT_LIST);
    Bind(wxEVT_BUTTON, &CAsciiExtDlg::OnAddExt, this, IDC_EXT_ADD);
    Bind(wxEVT_BUTTON, &CAsciiExtDlg::OnDeleteExt, this, IDC_EXT_DELETE);
    Bind(wxEVT_BUTTON, &CAsciiExtDlg::OnOK, this, wxID_OK);
}

bool CAsciiExtDlg::TransferDataToWindow()
{
    extEditCtrl->ChangeValue(FromUtf8(extEdit));
    return true;
}

bool CAsciiExtDlg::TransferDataFromWindow()
{
    extEdit = ToUtf8(extEditCtrl->GetValue());
    return true;
}

void CAsciiExtDlg::OnInitDialog(wxInitDialogEvent&)
{
    // The dialog object may be shown more than once; each showing starts
    // from extList.
    extListBox->Clear();
    for (const std::string& entry : ReadExtList(extList))
        InsertSorted(entry);
    if (extListBox->GetCount() > 0) {
        SelectEntry(0);
        extEdit = EntryText(0);
    }
    TransferDataToWindow();
}

void CAsciiExtDlg::OnSelchangeExtList(wxCommandEvent&)
{
    const int selected = extListBox->GetSelection();
    if (selected == wxNOT_FOUND)
        return;
    extEdit = EntryText(selected);
    TransferDataToWindow();
}

void CAsciiExtDlg::OnAddExt(wxCommandEvent&)
{
    TransferDataFromWindow();
    extEdit = NormaliseExtension(extEdit);
    // An empty entry would sort first, and a stored list that begins with
    // its closing space reads as no entries at all: refuse it.
    if (extEdit.empty()) {
        MessageBeep();
        TransferDataToWindow();
        return;
    }
    // Only an entry equal to the text, case included, blocks it: HTM loaded
    // from the settings does not block htm. The first entry the text begins
    // with is not always that entry (HTM sorts beside htm), so all are looked at.
    if (extListBox->FindString(FromUtf8(extEdit), true) == wxNOT_FOUND)
        InsertSorted(extEdit);
    SelectEntry(FindPrefix(extEdit));
    TransferDataToWindow();
}

void CAsciiExtDlg::OnDeleteExt(wxCommandEvent&)
{
    TransferDataFromWindow();
    const int match = FindPrefix(extEdit);
    if (match == wxNOT_FOUND)
        return;
    extListBox->Delete(static_cast<unsigned>(match));
    if (extListBox->IsEmpty()) {
        extEdit.clear();
    } else {
        const int previous = match > 0 ? match - 1 : 0;
        SelectEntry(previous);
        extEdit = EntryText(previous);
    }
    TransferDataToWindow();
}

void CAsciiExtDlg::OnOK(wxCommandEvent&)
{
    extList.clear();
    for (unsigned i = 0; i < extListBox->GetCount(); ++i)
        extList += EntryText(static_cast<int>(i)) + " ";
    AcceptAndClose();
}

// After the last entry that does not sort above it, so entries equal but for
// case keep the order they came in.
void CAsciiExtDlg::InsertSorted(const std::string& entry)
{
    unsigned position = 0;
    while (position < extListBox->GetCount() && CompareNoCase(EntryText(static_cast<int>(position)), entry) <= 0)
        ++position;
    extListBox->Insert(FromUtf8(entry), position);
}

int CAsciiExtDlg::FindPrefix(const std::string& prefix) const
{
    if (prefix.empty())
        return wxNOT_FOUND;
    for (unsigned i = 0; i < extListBox->GetCount(); ++i) {
        if (StartsWithNoCase(EntryText(static_cast<int>(i)), prefix))
            return static_cast<int>(i);
    }
    return wxNOT_FOUND;
}

std::string CAsciiExtDlg::EntryText(int index) const
{
    return ToUtf8(extListBox->GetString(static_cast<unsigned>(index)));
}

void CAsciiExtDlg::SelectEntry(int index)
{
    if (index == wxNOT_FOUND)
        return;
    extListBox->SetSelection(index);
    extListBox->EnsureVisible(index);
}
