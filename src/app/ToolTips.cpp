#include "app/ToolTips.h"

#include "app/ChromeRules.h"
#include "app/ControlIds.h"
#include "platform/Text.h"

#include <wx/dcscreen.h>
#include <wx/settings.h>
#include <wx/tooltip.h>
#include <wx/window.h>

namespace {

constexpr long kInitialDelayMs = 200;
constexpr long kAutoPopMs = 5000;

// GTK draws tips in the desktop's GUI font and wraps only at its own width,
// so the lines are broken here.
std::string WrappedTip(const char* text, const wxDC& dc)
{
    return WrapToWidth(text, kToolTipMaxWidth,
                       [&dc](const std::string& line) { return dc.GetTextExtent(FromUtf8(line)).x; });
}

} // namespace

const std::array<ToolTipEntry, 23>& ToolTipTable()
{
    static const std::array<ToolTipEntry, 23> table{{
        {IDC_REMOVE, "Remove this domain from Vantrel."},
        {IDC_DOMAIN, "Enter the FTP domain name (example: ftp.example.com)."},
        {IDC_PORT, "Enter the FTP port number (usually 21)."},
        {IDC_USER, "Enter the user name."},
        {IDC_PSWD, "Enter the user's password."},
        {IDC_HIDE, "Hide the password from wandering eyes."},
        {IDC_PWD, "Present Working Directory. This will be the login directory."},
        {IDC_LOGIN, "Login to the FTP server."},
        {IDC_LOGOUT, "Logout from the FTP server."},
        {IDC_UPLOAD, "Transfer a local file to the server's PWD."},
        {IDC_DOWNLOAD, "Transfer the hiligthed file to a local computer."},
        {IDC_ASCII, "Transfer ascii text files."},
        {IDC_BINARY, "Transfer binary and executable files."},
        {IDC_AUTO, "Transfer according to file extension."},
        {IDC_RENAME, "Rename the hiligthed file or directory."},
        {IDC_DELETE, "Delete the hiligthed file or directory."},
        {IDC_MKDIR, "Make a new directory in the PWD."},
        {IDC_CDUP, "Change to the parent of the PWD."},
        {IDC_CHDIR, "Change to the hiligthed directory."},
        {IDC_CDROOT, "Change to the domain's base directory  Alt+F4."},
        {IDC_HELP, "About Vantrel and program documentation."},
        {IDC_REFRESH, "Refresh Directory Listing."},
        {IDC_ABORT, "Abort Up-DownLoad."},
    }};
    return table;
}

void InstallToolTips(wxWindow* dialog)
{
    wxScreenDC dc;
    dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    for (const ToolTipEntry& entry : ToolTipTable()) {
        wxWindow* control = dialog->FindWindow(entry.controlId);
        wxCHECK2_MSG(control, continue, "a control of the tooltip table is missing");
        control->SetToolTip(FromUtf8(WrappedTip(entry.text, dc)));
    }
    wxToolTip::Enable(true);
    // GTK 3 keeps its own fixed hover delay (measured 505 ms under Xvfb) and
    // hides a tip only when the pointer leaves (still shown after 8 s); these
    // two take effect only where the toolkit honours them (see the README).
    wxToolTip::SetDelay(kInitialDelayMs);
    wxToolTip::SetAutoPop(kAutoPopMs);
}
