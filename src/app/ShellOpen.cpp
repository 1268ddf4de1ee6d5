#include "app/ShellOpen.h"

#include "platform/LastError.h"
#include "platform/Text.h"

#include <wx/filefn.h>
#include <wx/utils.h>

#include <cerrno>

bool ShellOpen(const std::string& address)
{
    wxPathList path;
    path.AddEnvList("PATH");
    const wxString opener = path.FindAbsoluteValidPath("xdg-open");
    if (opener.empty()) {
        SetLastError(ENOENT);
        return false;
    }
    const std::string program = ToUtf8(opener);
    const char* const argv[] = {program.c_str(), address.c_str(), nullptr};
    errno = 0;
    if (wxExecute(argv, wxEXEC_ASYNC) == 0) {
        SetLastError(errno != 0 ? errno : ENOEXEC);
        return false;
    }
    return true;
}
