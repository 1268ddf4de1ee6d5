#pragma once
#include <wx/app.h>

// Names the settings store and runs the main window as a modal dialog; the
// process ends when the dialog does.
class CFtpClientApp : public wxApp {
public:
    bool OnInit() override;
    bool InitInstance();

    // F1 anywhere in the window and the Documentation menu item. Static, as
    // it needs nothing of the application object but wx's own.
    static void OnDocumentation();
};

wxDECLARE_APP(CFtpClientApp);
