#pragma once
#include <wx/dialog.h>

class wxBitmapButton;

// The About box, template 100: version, notice, contact address and a mail
// button. It has no OK or Cancel; the close box and Escape end it.
class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent = nullptr);

    // Button 1037: the mail button with its up and pressed pictures.
    wxBitmapButton* emailButton = nullptr;

private:
    void OnEmail(wxCommandEvent& event);
    void OnCharHook(wxKeyEvent& event);
};
