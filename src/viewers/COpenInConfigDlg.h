#pragma once
#include <wx/dialog.h>

#include <string>

class wxCommandEvent;
class wxInitDialogEvent;
class wxTextCtrl;

// The viewer configuration (template 141). The caller fills the three path
// members, shows the dialog and, after OK, reads them back; the name members
// are what the read-only fields show, the last component of each path. The
// "<" buttons are the only way to change a viewer.
class COpenInConfigDlg : public wxDialog {
public:
    explicit COpenInConfigDlg(wxWindow* parent = nullptr);

    // IDOK or IDCANCEL (platform/MessageBox.h).
    int DoModal();

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    // Asks for a program in a file-open dialog titled `title` that starts at
    // `currentPath`. Returns the chosen full path and puts its file name into
    // `outName`; returns "" and leaves `outName` alone on Cancel.
    std::string BrowseForViewer(const std::string& title, std::string& outName, const std::string& currentPath);

    std::string browserName;
    std::string graphicsName;
    std::string textName;
    std::string textPath;
    std::string graphicsPath;
    std::string browserPath;

private:
    void OnInitDialog(wxInitDialogEvent& event);
    void OnBrowseText(wxCommandEvent& event);
    void OnBrowseGraphics(wxCommandEvent& event);
    void OnBrowseBrowser(wxCommandEvent& event);

    void BrowseInto(const std::string& title, std::string& path, std::string& name);
    wxTextCtrl* Field(int id) const;
};
