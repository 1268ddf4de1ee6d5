#include "transfer/CFileDropTarget.h"

#include "app/CFtpClientDlg.h"
#include "platform/Text.h"

bool CFileDropTarget::OnDropFiles(wxCoord, wxCoord, const wxArrayString& filenames)
{
    std::vector<std::string> paths;
    for (const wxString& name : filenames)
        paths.push_back(ToUtf8(name));
    return window.OnDropFiles(paths);
}
