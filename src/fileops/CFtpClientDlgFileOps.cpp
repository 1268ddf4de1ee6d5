// Delete, mkdir and rename on the server's current directory. Each blocks
// the user-interface thread behind the wait cursor until the server answers.
#include "app/CFtpClientDlg.h"

#include "ftp/CFileListCtrl.h"
#include "ftp/LastErrorText.h"
#include "fileops/CInputDlg.h"
#include "platform/FtpConnection.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "platform/TextCase.h"

#include <wx/utils.h>

void CFtpClientDlg::OnDelete()
{
    if (RefuseWhileBusy())
        return;
    const int row = SelectedRowOrSay("Nothing selected !", "Delete");
    if (row < 0)
        return;
    const ListEntry entry = fileList->Row(row);
    std::string message;
    if (entry.kind == 1) {
        if (MessageBox(this, "Detete file \"" + entry.name + "\"", "Delete",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
            fileList->SelectRow(row);
            FocusControl(fileList);
            return;
        }
        wxBusyCursor wait;
        if (ftpConnection->Remove(entry.name))
            RefreshListing();
        else
            message = "Problem removing file\n\"" + entry.name + "\"\n" + LastErrorText();
    } else if (entry.kind == 0 && entry.name != "." && entry.name != "..") {
        wxBusyCursor wait;
        if (ftpConnection->RemoveDirectory(entry.name)) {
            RefreshListing();
        } else {
            message = "Problem removing directory\n\"" + entry.name + "\"\n" + LastErrorText();
            fileList->SelectRow(row);
            FocusControl(fileList);
        }
    } else {
        message = "Unknown remove error";
    }
    if (message.empty())
        return;
    ShowServerFailure(message, "Delete");
}

void CFtpClientDlg::OnMkdir()
{
    if (RefuseWhileBusy())
        return;
    CInputDlg prompt(this);
    prompt.caption = "Enter New Directory";
    while (prompt.DoModal() == IDOK) {
        wxBusyCursor wait;
        prompt.text = AsciiLower(TrimBlanks(prompt.text));
        if (prompt.text.empty()) {
            MessageBox(this, "Nothing entered!", "Make New Directory", MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        if (ftpConnection->CreateDirectory(prompt.text)) {
            RefreshListing();
            return;
        }
        if (ShowServerFailure(prompt.text + "\n\n" + LastErrorText(), "Make New Directory"))
            return;
    }
}

// A server on a POSIX file system replaces the target of a rename without a
// word, and the other entry's contents are lost; the user is asked first, as
// an upload over a listed name asks. Only an exact match can be replaced
// there, so a change of case alone asks nothing.
bool CFtpClientDlg::MayReplaceByRename(int row, const std::string& newName, const std::string& shownName)
{
    const int other = fileList->FindRow(newName, CFileListCtrl::NameMatch::Exact);
    if (other < 0 || other == row)
        return true;
    return MessageBox(this, "\"" + shownName + "\"\nAlready exists on the server.\nRename anyway ?", "Rename",
                      MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void CFtpClientDlg::OnRename()
{
    if (RefuseWhileBusy())
        return;
    const int row = SelectedRowOrSay("Nothing selected !", "Rename");
    if (row < 0)
        return;
    const std::string oldName = fileList->Row(row).name;
    if (oldName == "." || oldName == "..")
        return;
    // The prompt holds UTF-8 text; a name in another encoding is shown as
    // the list shows it and goes back as its own bytes unless edited.
    const std::string shownName = ToUtf8(DisplayName(oldName));
    CInputDlg prompt(this);
    prompt.text = shownName;
    prompt.caption = "Rename";
    while (prompt.DoModal() == IDOK) {
        const std::string newName = NameBytesFromDisplay(oldName, prompt.text);
        if (!MayReplaceByRename(row, newName, prompt.text))
            continue;
        wxBusyCursor wait;
        if (ftpConnection->Rename(oldName, newName)) {
            RefreshListing();
            return;
        }
        if (ShowServerFailure("Problem renaming\n\"" + shownName + "\" to \"" + prompt.text + "\"\n" + LastErrorText(),
                              "Rename"))
            return;
    }
}
