// Runs the GUI tests inside a real wx application on the display that
// scripts/test provides (Xvfb).
#include "platform/Resources.h"

#include "platform/Text.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/timer.h>

namespace {

class GuiTestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// A modal box that no test expected would wait for a click until CTest's
// timeout: one still open after this long fails the test and is answered
// Cancel. Hooks registered later (a test's expectations) see a box first.
class UnexpectedDialogWatch : public wxModalDialogHook {
public:
    static constexpr int kPatienceMs = 15000;

    UnexpectedDialogWatch()
    {
        timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { GiveUp(); });
        Register();
    }

protected:
    int Enter(wxDialog* dialog) override
    {
        open = dialog;
        timer.StartOnce(kPatienceMs);
        return wxID_NONE;
    }
    void Exit(wxDialog*) override
    {
        timer.Stop();
        open = nullptr;
    }

private:
    void GiveUp()
    {
        if (!open)
            return;
        const auto* box = dynamic_cast<wxMessageDialog*>(open);
        ADD_FAILURE() << "a dialog no test expected stayed open: "
                      << ToUtf8(box ? box->GetCaption() + ": " + box->GetMessage() : open->GetTitle());
        // Native GTK dialogs run their own loop; wx's end through EndModal.
        if (GTK_IS_DIALOG(open->GetHandle()))
            gtk_dialog_response(GTK_DIALOG(open->GetHandle()), GTK_RESPONSE_CANCEL);
        else
            open->EndModal(wxID_CANCEL);
    }

    wxTimer timer;
    wxDialog* open = nullptr;
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
    UnexpectedDialogWatch watch;
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
