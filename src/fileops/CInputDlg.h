#pragma once
#include <wx/dialog.h>

#include <string>

class wxInitDialogEvent;
class wxTextCtrl;

// The one-line modal text prompt (template 129). The caller sets `caption`
// and `text`, may show it several times, and each showing starts from the
// current `text`; OK stores the edit back into `text`, Cancel leaves it.
class CInputDlg : public wxDialog {
public:
    explicit CInputDlg(wxWindow* parent = nullptr);

    // IDOK or IDCANCEL (platform/MessageBox.h).
    int DoModal();

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    std::string caption;
    std::string text;

private:
    void OnInitDialog(wxInitDialogEvent& event);
    wxTextCtrl* Edit() const;
};
