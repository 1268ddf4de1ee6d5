// The floor under the program's start-up: the main window's template with its
// list and bar and nothing else (no engine, no settings, no handlers), shown
// modally as the program shows its window. What the program costs beyond this
// is its own; what this costs beyond the bare dialog is the controls'.
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "platform/GtkLook.h"
#include "platform/Resources.h"
#include "platform/TemplateBuilder.h"
#include "transfer/CPercentProgressCtrl.h"

#include <wx/app.h>
#include <wx/dialog.h>

class CTemplateDialogApp : public wxApp {
public:
    bool OnInit() override
    {
        UseCompactControls();
        wxDialog dialog;
        if (!LoadDialogTemplate(&dialog, nullptr, "102"))
            return false;
        dialog.SetTitle("Template dialog");
        AttachToTemplatePlace(&dialog, "1040",
                              new CFileListCtrl(&dialog, IDC_FILELIST, wxDefaultPosition, wxDefaultSize));
        AttachToTemplatePlace(&dialog, "1070",
                              new CPercentProgressCtrl(&dialog, IDC_PROGRESS, wxDefaultPosition, wxDefaultSize));
        dialog.ShowModal();
        return false;
    }
};

wxIMPLEMENT_APP(CTemplateDialogApp);
