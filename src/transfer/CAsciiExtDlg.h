#pragma once
#include <wx/dialog.h>

#include <string>

class wxListBox;
class wxTextCtrl;

// Control IDs of template 140.
enum AsciiExtDlgControl : int {
    IDC_EXT_EDIT = 1052,
    IDC_EXT_ADD = 1053,
    IDC_EXT_DELETE = 1054,
    IDC_EXT_LIST = 1055,
};

// "ASCII File Extensions": edits the text-extension list of Auto mode. The
// caller sets extList, runs the dialog, and on wxID_OK reads extList back;
// Cancel leaves it as it was.
class CAsciiExtDlg : public wxDialog {
public:
    explicit CAsciiExtDlg(wxWindow* parent = nullptr);

    std::string extList;

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

private:
    void OnInitDialog(wxInitDialogEvent& event);
    void OnSelchangeExtList(wxCommandEvent& event);
    void OnAddExt(wxCommandEvent& event);
    void OnDeleteExt(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);

    void InsertSorted(const std::string& entry);
    int FindPrefix(const std::string& prefix) const;
    std::string EntryText(int index) const;
    void SelectEntry(int index);

    wxListBox* extListBox = nullptr;
    wxTextCtrl* extEditCtrl = nullptr;
    // The text of the edit, exchanged with it by TransferDataTo/FromWindow.
    std::string extEdit;
};
