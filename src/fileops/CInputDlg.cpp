#include "fileops/CInputDlg.h"

#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/Text.h"

#include <wx/textctrl.h>

namespace {

constexpr int kEditId = 1028;

} // namespace

CInputDlg::CInputDlg(wxWindow* parent)
{
    const bool loaded = LoadDialogTemplate(this, parent, "129");
    wxASSERT_MSG(loaded, "dialog template 129 is missing from the resources");
    Bind(wxEVT_INIT_DIALOG, &CInputDlg::OnInitDialog, this);
}

int CInputDlg::DoModal()
{
    return ShowModal() == wxID_OK ? IDOK : IDCANCEL;
}

bool CInputDlg::TransferDataToWindow()
{
    Edit()->ChangeValue(FromUtf8(text));
    return true;
}

bool CInputDlg::TransferDataFromWindow()
{
    text = ToUtf8(Edit()->GetValue());
    return true;
}

// The focus goes to OK, the first tab stop, not to the edit: Enter accepts
// the text as it was offered.
void CInputDlg::OnInitDialog(wxInitDialogEvent&)
{
    TransferDataToWindow();
    SetTitle(FromUtf8(caption));
    FindWindow(wxID_OK)->SetFocus();
}

wxTextCtrl* CInputDlg::Edit() const
{
    return static_cast<wxTextCtrl*>(FindWindow(kEditId));
}
