#pragma once
// Files dropped on the main window from a file manager (text/uri-list):
// wx hands over the local paths of the drop, URIs of other schemes left out,
// and the window decides. User-interface thread only.
#include <wx/dnd.h>

class CFtpClientDlg;

class CFileDropTarget : public wxFileDropTarget {
public:
    explicit CFileDropTarget(CFtpClientDlg& window) : window(window) {}

    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& filenames) override;

private:
    CFtpClientDlg& window;
};
