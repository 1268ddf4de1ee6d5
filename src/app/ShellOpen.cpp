#include "app/ShellOpen.h"

#include "platform/LastError.h"

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
    const wxScopedCharBuffer program = opener.utf8_str();
    const char* const argv[] = {program.data(), address.c_str(), nullptr};
    errno = 0;
    if (wxExecute(argv, wxEXEC_ASYNC) == 0) {
        SetLastError(errno != 0 ? errno : ENOEXEC);
        return false;
    }
    return true;
}
