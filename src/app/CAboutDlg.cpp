#include "app/CAboutDlg.h"

#include "app/ChromeRules.h"
#include "app/ShellOpen.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"

#include <wx/bmpbuttn.h>

namespace {

constexpr int kEmailButtonId = 1037;

} // namespace

CAboutDlg::CAboutDlg(wxWindow* parent)
{
    if (!LoadDialogTemplate(this, parent, "100")) {
        wxFAIL_MSG("the About box's template 100 is missing");
        return;
    }
    emailButton = wxDynamicCast(FindWindow(kEmailButtonId), wxBitmapButton);
    Bind(wxEVT_BUTTON, &CAboutDlg::OnEmail, this, kEmailButtonId);
    Bind(wxEVT_CHAR_HOOK, &CAboutDlg::OnCharHook, this);
}

void CAboutDlg::OnEmail(wxCommandEvent&)
{
    if (!ShellOpen(MailLink(kContactAddress)))
        MessageBox(this, "Problem sending mail.", "Send Orlen Mail", MB_OK | MB_ICONHAND);
}

// Without a Cancel button wx lets Escape pass; the box ends as by its close box.
void CAboutDlg::OnCharHook(wxKeyEvent& event)
{
    if (event.GetKeyCode() != WXK_ESCAPE) {
        event.Skip();
        return;
    }
    Close();
}
