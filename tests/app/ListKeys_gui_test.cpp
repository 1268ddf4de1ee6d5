// The file list's keys, pressed as real X key events (wx's UI simulator,
// XTest under Xvfb) in the logged-in window against pyftpdlib: each runs
// its button's handler, guards and boxes included.
#include "fileops/LoggedInWindow.h"
#include "support/TransferWindowFixture.h"

#include <wx/eventfilter.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

namespace {

// Counts the key releases the application sees: a release comes after its
// press was handled, so one more release means the key has had its effect.
class KeyReleaseCounter : public wxEventFilter {
public:
    KeyReleaseCounter() { wxEvtHandler::AddFilter(this); }
    ~KeyReleaseCounter() override { wxEvtHandler::RemoveFilter(this); }

    int FilterEvent(wxEvent& event) override
    {
        if (event.GetEventType() == wxEVT_KEY_UP)
            ++releases;
        return Event_Skip;
    }

    int releases = 0;
};

class ListKeys : public TransferFixture<LoggedInWindow> {
protected:
    // Gives `control` the keyboard focus and presses the key there.
    void PressIn(wxWindow* control, int keyCode, int modifiers = wxMOD_NONE)
    {
        window->Raise();
        control->SetFocus();
        ASSERT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == control; }, 10)) << "no keyboard focus";
        KeyReleaseCounter counter;
        wxUIActionSimulator keyboard;
        ASSERT_TRUE(keyboard.Char(keyCode, modifiers));
        ASSERT_TRUE(PumpUntil([&] { return counter.releases > 0; }, 10)) << "the key never arrived";
    }

    void Press(int keyCode, int modifiers = wxMOD_NONE) { PressIn(window->fileList, keyCode, modifiers); }

    void ChangeIntoSub()
    {
        Select("sub");
        window->OnChdir();
        ASSERT_EQ("/sub", ControlText(IDC_PWD));
    }
};

struct Key {
    const char* name;
    int keyCode;
    int modifiers;
    // The handler's caption on "Nothing selected !", or null for a key that
    // needs no selection.
    const char* nothingSelectedCaption;
    // Refresh refuses a busy window without a sound.
    int busyBeeps;
};

const Key kKeys[] = {
    {"Backspace", WXK_BACK, wxMOD_NONE, nullptr, 1},
    {"F5", WXK_F5, wxMOD_NONE, nullptr, 0},
    {"Delete", WXK_DELETE, wxMOD_NONE, "Delete", 1},
    {"F2", WXK_F2, wxMOD_NONE, "Rename", 1},
    {"Ctrl+D", 'd', wxMOD_CONTROL, "Download", 1},
    {"Ctrl+U", 'u', wxMOD_CONTROL, nullptr, 1},
};

TEST_F(ListKeys, EachKeyKeepsItsButtonsGuards)
{
    server.WriteFile("sub/a.txt", "a");
    OpenLoggedIn();
    const std::vector<std::string> listed = ListedNames();
    server.WriteFile("later.txt", "a refresh would list it");

    Select("sub");
    window->transferInProgress = 1;
    for (const Key& key : kKeys) {
        SCOPED_TRACE(key.name);
        const int beeps = BeepsOf([&] { WithoutDialogs([&] { Press(key.keyCode, key.modifiers); }); });
        EXPECT_EQ(key.busyBeeps, beeps) << "while busy";
        EXPECT_EQ(listed, ListedNames()) << "while busy";
        EXPECT_EQ("/", ControlText(IDC_PWD)) << "while busy";
    }
    window->transferInProgress = 0;

    window->fileList->DeselectRow(window->fileList->FirstSelected());
    for (const Key& key : kKeys) {
        SCOPED_TRACE(key.name);
        if (!key.nothingSelectedCaption)
            continue;
        wxTEST_DIALOG(Press(key.keyCode, key.modifiers),
                      ExpectMessageBox("Nothing selected !", key.nothingSelectedCaption, wxICON_WARNING));
    }
    EXPECT_TRUE(server.Exists("sub/a.txt"));

    window->OnLogout();
    for (const Key& key : kKeys) {
        SCOPED_TRACE(key.name);
        const int beeps = BeepsOf([&] { WithoutDialogs([&] { Press(key.keyCode, key.modifiers); }); });
        EXPECT_EQ(0, beeps) << "logged out: the button is disabled, the key does nothing";
    }
}

TEST_F(ListKeys, EachKeyDoesWhatItsButtonDoes)
{
    server.WriteFile("sub/a.txt", "first");
    OpenLoggedIn();
    ChangeIntoSub();

    // Backspace goes up, Enter comes back in.
    Press(WXK_BACK);
    EXPECT_EQ("/", ControlText(IDC_PWD));
    Select("sub");
    Press(WXK_RETURN);
    ASSERT_EQ("/sub", ControlText(IDC_PWD));

    // F5 lists what the server has now.
    server.WriteFile("sub/b.txt", "second");
    Press(WXK_F5);
    EXPECT_GE(RowOf("b.txt"), 0);

    Select("a.txt");
    wxTEST_DIALOG(Press('d', wxMOD_CONTROL), ExpectFileDialog(Local("a.txt")));
    WaitUntilIdle();
    EXPECT_EQ("first", ReadLocal(Local("a.txt")));

    WriteLocal(Local("c.txt"), "third");
    wxTEST_DIALOG(Press('u', wxMOD_CONTROL), ExpectFileDialog(Local("c.txt")));
    WaitUntilIdle();
    EXPECT_EQ("third", server.ReadFile("sub/c.txt"));

    Select("a.txt");
    wxTEST_DIALOG(Press(WXK_F2), ExpectPrompt::Ok("Rename", "a.txt", "renamed.txt"));
    EXPECT_TRUE(server.Exists("sub/renamed.txt"));

    Select("b.txt");
    wxTEST_DIALOG(Press(WXK_DELETE), ExpectMessageBox("Detete file \"b.txt\"", "Delete", wxICON_QUESTION, wxID_YES));
    EXPECT_FALSE(server.Exists("sub/b.txt"));
    EXPECT_LT(RowOf("b.txt"), 0);
}

// Outside the list the keys are the text boxes' own: in the (read-only)
// path box none of them deletes, refreshes or opens anything.
TEST_F(ListKeys, InATextBoxTheKeysEditTheText)
{
    server.WriteFile("sub/a.txt", "a");
    OpenLoggedIn();
    ChangeIntoSub();
    Select("a.txt");
    auto* path = static_cast<wxTextCtrl*>(window->FindWindow(IDC_PWD));
    server.WriteFile("sub/later.txt", "a refresh would list it");
    const int beeps = BeepsOf([&] {
        WithoutDialogs([&] {
            for (const Key& key : kKeys)
                PressIn(path, key.keyCode, key.modifiers);
        });
    });
    EXPECT_EQ(0, beeps);
    EXPECT_EQ("/sub", ControlText(IDC_PWD));
    EXPECT_LT(RowOf("later.txt"), 0);
    EXPECT_TRUE(server.Exists("sub/a.txt"));
    EXPECT_EQ("a.txt", SelectedName());
}

} // namespace
