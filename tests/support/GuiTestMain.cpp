// Runs the GUI tests inside a real wx application on the display that
// scripts/test provides (Xvfb).
#include "platform/Resources.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

namespace {

class GuiTestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new GuiTestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "cannot start the wx application (is DISPLAY set?)\n");
        return 1;
    }
    // The window's title and the settings folder are named after the
    // application, as in the program itself.
    wxTheApp->SetAppName("Vantrel");
    wxTheApp->SetAppDisplayName("Vantrel");
    // Anything wx logs goes to the test's output, never into a box that
    // would wait for a click.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    // A wx assertion fails the running test; wx's own handler would open a
    // box and the test would wait for a click until CTest's timeout.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& function, const wxString& condition,
                          const wxString& message) {
        ADD_FAILURE() << "wx assertion " << condition << " " << message << " in " << function << " at " << file
                      << ":" << line;
    });
    InitResources();
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
