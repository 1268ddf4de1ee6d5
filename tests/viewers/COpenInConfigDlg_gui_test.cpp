#include "viewers/COpenInConfigDlg.h"

#include "fileops/ModalDialogDriver.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "support/GuiTestHelpers.h"

#include <gtest/gtest.h>
#include <wx/filedlg.h>
#include <wx/testing.h>
#include <wx/textctrl.h>

namespace {

enum : int {
    kTextField = 1057,
    kGraphicsField = 1058,
    kBrowserField = 1059,
    kBrowseText = 1060,
    kBrowseGraphics = 1061,
    kBrowseBrowser = 1062,
};

// What the viewer's file dialog was opened with.
struct FileDialogSeen {
    std::string title;
    std::string directory;
    std::string fileName;
    std::string wildcard;
    int filterIndex = -1;
};

// GTK's chooser takes a selection only once it has read the folder, which it
// does in the background; a user's OK comes long after that.
void WaitUntilChosen(wxFileDialog& dialog, const std::string& path)
{
    PumpUntil([&] { return ToUtf8(dialog.GetPath()) == path; });
}

// Records how the file dialog was set up, then chooses `path` (OK) or, when
// `path` is empty, cancels.
class ExpectViewerFileDialog : public wxExpectModalBase<wxFileDialog, ExpectViewerFileDialog> {
public:
    ExpectViewerFileDialog(FileDialogSeen& seen, std::string path) : seen(&seen), path(std::move(path)) {}

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        seen->title = ToUtf8(dialog->GetMessage());
        seen->directory = ToUtf8(dialog->GetDirectory());
        seen->fileName = ToUtf8(dialog->GetFilename());
        seen->wildcard = ToUtf8(dialog->GetWildcard());
        seen->filterIndex = dialog->GetFilterIndex();
        if (path.empty())
            return wxID_CANCEL;
        dialog->SetPath(FromUtf8(path));
        WaitUntilChosen(*dialog, path);
        return wxID_OK;
    }

private:
    FileDialogSeen* seen;
    std::string path;
};

std::string FieldText(COpenInConfigDlg& dialog, int id)
{
    return ToUtf8(static_cast<wxTextCtrl*>(dialog.FindWindow(id))->GetValue());
}

void SetDefaults(COpenInConfigDlg& dialog)
{
    dialog.textPath = "notepad.exe";
    dialog.graphicsPath = "mspaint.exe";
    dialog.browserPath = "iexplore.exe";
}

// Presses a "<" button while the dialog is up; the file dialog it opens is
// answered with `choose` ("" cancels).
FileDialogSeen Browse(COpenInConfigDlg& dialog, int button, const std::string& choose)
{
    FileDialogSeen seen;
    wxTEST_DIALOG(PressButton(dialog, button), ExpectViewerFileDialog(seen, choose));
    return seen;
}

TEST(COpenInConfigDlg, ShowsTheLastComponentOfEachPathInReadOnlyFields)
{
    COpenInConfigDlg dialog;
    dialog.textPath = "notepad.exe";
    dialog.graphicsPath = "/usr/bin/eog";
    dialog.browserPath = "/opt/My Browser/browse.exe";
    std::string text, graphics, browser;
    bool anyEditable = true;
    const int answer = ShowAndPress(dialog, wxID_OK, [&] {
        text = FieldText(dialog, kTextField);
        graphics = FieldText(dialog, kGraphicsField);
        browser = FieldText(dialog, kBrowserField);
        anyEditable = false;
        for (int id : {kTextField, kGraphicsField, kBrowserField})
            anyEditable |= static_cast<wxTextCtrl*>(dialog.FindWindow(id))->IsEditable();
    });
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(text, "notepad.exe");
    EXPECT_EQ(graphics, "eog");
    EXPECT_EQ(browser, "browse.exe");
    EXPECT_FALSE(anyEditable);
    EXPECT_EQ(dialog.textName, "notepad.exe");
    EXPECT_EQ(dialog.graphicsName, "eog");
    EXPECT_EQ(dialog.browserName, "browse.exe");
    EXPECT_EQ(dialog.graphicsPath, "/usr/bin/eog");
}

TEST(COpenInConfigDlg, BrowsingFromADefaultOpensInTheCurrentDirectoryWithNoName)
{
    COpenInConfigDlg dialog;
    SetDefaults(dialog);
    FileDialogSeen seen;
    std::string shown;
    ShowAndPress(dialog, wxID_OK, [&] {
        seen = Browse(dialog, kBrowseText, "/usr/bin/less");
        shown = FieldText(dialog, kTextField);
    });
    EXPECT_EQ(seen.title, "Text File Viewer");
    EXPECT_EQ(seen.directory, "./");
    EXPECT_EQ(seen.fileName, "");
    EXPECT_EQ(shown, "less");
    EXPECT_EQ(dialog.textPath, "/usr/bin/less");
    EXPECT_EQ(dialog.textName, "less");
    EXPECT_EQ(dialog.graphicsPath, "mspaint.exe");
    EXPECT_EQ(dialog.browserPath, "iexplore.exe");
}

TEST(COpenInConfigDlg, BrowsingFromAFullPathOpensInItsDirectoryWithItsName)
{
    COpenInConfigDlg dialog;
    SetDefaults(dialog);
    dialog.graphicsPath = "/usr/bin/eog";
    FileDialogSeen seen;
    ShowAndPress(dialog, wxID_OK, [&] { seen = Browse(dialog, kBrowseGraphics, "/usr/bin/less"); });
    EXPECT_EQ(seen.title, "Graphics File Viewer");
    EXPECT_EQ(seen.directory, "/usr/bin/");
    EXPECT_EQ(seen.fileName, "eog");
    EXPECT_EQ(dialog.graphicsPath, "/usr/bin/less");
    EXPECT_EQ(dialog.graphicsName, "less");
}

TEST(COpenInConfigDlg, TheBrowserButtonSetsOnlyTheBrowser)
{
    COpenInConfigDlg dialog;
    SetDefaults(dialog);
    FileDialogSeen seen;
    std::string shown;
    ShowAndPress(dialog, wxID_OK, [&] {
        seen = Browse(dialog, kBrowseBrowser, "/usr/bin/less");
        shown = FieldText(dialog, kBrowserField);
    });
    EXPECT_EQ(seen.title, "Browser");
    EXPECT_EQ(shown, "less");
    EXPECT_EQ(dialog.browserPath, "/usr/bin/less");
    EXPECT_EQ(dialog.textPath, "notepad.exe");
    EXPECT_EQ(dialog.textName, "notepad.exe");
}

TEST(COpenInConfigDlg, OffersBothFiltersAndOpensOnAllFiles)
{
    COpenInConfigDlg dialog;
    SetDefaults(dialog);
    FileDialogSeen seen;
    ShowAndPress(dialog, wxID_CANCEL, [&] { seen = Browse(dialog, kBrowseText, ""); });
    EXPECT_EQ(seen.wildcard, "Executable Files ( *.exe )|*.exe|All Files ( *.* )|*");
    EXPECT_EQ(seen.filterIndex, 1);
}

TEST(COpenInConfigDlg, CancelInTheFileDialogKeepsThePreviousChoice)
{
    COpenInConfigDlg dialog;
    SetDefaults(dialog);
    dialog.browserPath = "/usr/bin/firefox";
    std::string shown;
    ShowAndPress(dialog, wxID_OK, [&] {
        Browse(dialog, kBrowseBrowser, "");
        shown = FieldText(dialog, kBrowserField);
    });
    EXPECT_EQ(shown, "firefox");
    EXPECT_EQ(dialog.browserPath, "/usr/bin/firefox");
    EXPECT_EQ(dialog.browserName, "firefox");
}

TEST(COpenInConfigDlg, CancelInTheConfigureDialogAnswersCancel)
{
    COpenInConfigDlg dialog;
    SetDefaults(dialog);
    const int answer = ShowAndPress(dialog, wxID_CANCEL, [&] { Browse(dialog, kBrowseText, "/usr/bin/less"); });
    EXPECT_EQ(answer, IDCANCEL);
}

TEST(COpenInConfigDlg, BrowseForViewerReturnsThePathAndNameOrNothingOnCancel)
{
    COpenInConfigDlg dialog;
    std::string name = "before";
    std::string path = "unset";
    FileDialogSeen seen;
    wxTEST_DIALOG(path = dialog.BrowseForViewer("Browser", name, "/usr/bin/eog"),
                  ExpectViewerFileDialog(seen, ""));
    EXPECT_EQ(path, "");
    EXPECT_EQ(name, "before");

    wxTEST_DIALOG(path = dialog.BrowseForViewer("Browser", name, "/usr/bin/eog"),
                  ExpectViewerFileDialog(seen, "/usr/bin/less"));
    EXPECT_EQ(path, "/usr/bin/less");
    EXPECT_EQ(name, "less");
}

} // namespace
