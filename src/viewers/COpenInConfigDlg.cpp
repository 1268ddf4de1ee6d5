#include "viewers/COpenInConfigDlg.h"

#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/Text.h"
#include "viewers/ViewerPaths.h"

#include <wx/filedlg.h>
#include <wx/textctrl.h>

#include <gtk/gtk.h>

namespace {

enum ConfigControlId : int {
    IDC_TEXT_NAME = 1057,
    IDC_GRAPHICS_NAME = 1058,
    IDC_BROWSER_NAME = 1059,
    IDC_BROWSE_TEXT = 1060,
    IDC_BROWSE_GRAPHICS = 1061,
    IDC_BROWSE_BROWSER = 1062,
};

// Linux programs carry no extension, so "*.exe" would hide every one of
// them: the labels stay, "All Files" really matches all files and is the
// entry the dialog opens on. "Executable Files" remains for Windows programs
// run through a compatibility layer.
constexpr const char* kViewerFilter = "Executable Files ( *.exe )|*.exe|All Files ( *.* )|*";
constexpr int kAllFilesFilter = 1;

// The theme's button padding is wider than the 12-unit "<" buttons, which
// would leave them blank; these buttons get none.
void DropButtonPadding(wxWindow* button)
{
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, "button { padding-left: 0; padding-right: 0; min-width: 0; }", -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(static_cast<GtkWidget*>(button->GetHandle())),
                                   GTK_STYLE_PROVIDER(css), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
}

} // namespace

COpenInConfigDlg::COpenInConfigDlg(wxWindow* parent)
{
    const bool loaded = LoadDialogTemplate(this, parent, "141");
    wxASSERT_MSG(loaded, "dialog template 141 is missing from the resources");
    for (int id : {IDC_BROWSE_TEXT, IDC_BROWSE_GRAPHICS, IDC_BROWSE_BROWSER})
        DropButtonPadding(FindWindow(id));
    Bind(wxEVT_INIT_DIALOG, &COpenInConfigDlg::OnInitDialog, this);
    Bind(wxEVT_BUTTON, &COpenInConfigDlg::OnBrowseText, this, IDC_BROWSE_TEXT);
    Bind(wxEVT_BUTTON, &COpenInConfigDlg::OnBrowseGraphics, this, IDC_BROWSE_GRAPHICS);
    Bind(wxEVT_BUTTON, &COpenInConfigDlg::OnBrowseBrowser, this, IDC_BROWSE_BROWSER);
}

int COpenInConfigDlg::DoModal()
{
    return ShowModal() == wxID_OK ? IDOK : IDCANCEL;
}

bool COpenInConfigDlg::TransferDataToWindow()
{
    Field(IDC_BROWSER_NAME)->ChangeValue(FromUtf8(browserName));
    Field(IDC_GRAPHICS_NAME)->ChangeValue(FromUtf8(graphicsName));
    Field(IDC_TEXT_NAME)->ChangeValue(FromUtf8(textName));
    return true;
}

bool COpenInConfigDlg::TransferDataFromWindow()
{
    browserName = ToUtf8(Field(IDC_BROWSER_NAME)->GetValue());
    graphicsName = ToUtf8(Field(IDC_GRAPHICS_NAME)->GetValue());
    textName = ToUtf8(Field(IDC_TEXT_NAME)->GetValue());
    return true;
}

std::string COpenInConfigDlg::BrowseForViewer(const std::string& title, std::string& outName,
                                              const std::string& currentPath)
{
    const BrowseStart start = BrowseStartFor(currentPath);
    wxFileDialog dialog(this, FromUtf8(title), FromUtf8(start.directory), FromUtf8(start.fileName),
                        kViewerFilter, wxFD_OPEN);
    dialog.SetFilterIndex(kAllFilesFilter);
    if (dialog.ShowModal() != wxID_OK)
        return {};
    outName = ToUtf8(dialog.GetFilename());
    return ToUtf8(dialog.GetPath());
}

void COpenInConfigDlg::OnInitDialog(wxInitDialogEvent&)
{
    textName = ViewerDisplayName(textPath);
    graphicsName = ViewerDisplayName(graphicsPath);
    browserName = ViewerDisplayName(browserPath);
    TransferDataToWindow();
}

void COpenInConfigDlg::OnBrowseText(wxCommandEvent&)
{
    BrowseInto("Text File Viewer", textPath, textName);
}

void COpenInConfigDlg::OnBrowseGraphics(wxCommandEvent&)
{
    BrowseInto("Graphics File Viewer", graphicsPath, graphicsName);
}

void COpenInConfigDlg::OnBrowseBrowser(wxCommandEvent&)
{
    BrowseInto("Browser", browserPath, browserName);
}

void COpenInConfigDlg::BrowseInto(const std::string& title, std::string& path, std::string& name)
{
    TransferDataFromWindow();
    std::string chosenName;
    const std::string chosen = BrowseForViewer(title, chosenName, path);
    if (!chosen.empty()) {
        path = chosen;
        name = chosenName;
    }
    TransferDataToWindow();
}

wxTextCtrl* COpenInConfigDlg::Field(int id) const
{
    return static_cast<wxTextCtrl*>(FindWindow(id));
}
