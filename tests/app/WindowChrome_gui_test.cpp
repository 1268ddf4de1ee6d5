// The chrome of the real main window: the right-click menu by login state,
// the clock, the tooltips, the title on restore, F1 and the About box.
#include "app/CAboutDlg.h"
#include "app/ChromeRules.h"
#include "fileops/LoggedInWindow.h"
#include "platform/Resources.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class WindowChrome : public LoggedInWindow {};

// What the right-click menu showed: its top-level lines as "label=command",
// submenus as "label>".
class ContextMenuTest : public WindowChrome {
protected:
    // Where the menu opened by the keyboard (no point given) stood on the
    // screen, with the list focused.
    wxPoint KeyboardMenuOrigin()
    {
        wxPoint origin = wxDefaultPosition;
        auto record = [&origin](wxMenuEvent& event) {
            event.Skip();
            wxMenu* menu = event.GetMenu();
            if (!menu || origin != wxDefaultPosition)
                return;
            GtkWidget* shown = menu->m_menu;
            wxTheApp->CallAfter([shown, &origin] {
                GdkWindow* popup = gtk_widget_get_window(gtk_widget_get_toplevel(shown));
                if (popup)
                    gdk_window_get_origin(popup, &origin.x, &origin.y);
                gtk_menu_shell_cancel(GTK_MENU_SHELL(shown));
            });
        };
        window->Bind(wxEVT_MENU_OPEN, record);
        window->fileList->SetFocus();
        wxContextMenuEvent key(wxEVT_CONTEXT_MENU, window->fileList->GetId(), wxDefaultPosition);
        key.SetEventObject(window->fileList);
        window->fileList->GetEventHandler()->ProcessEvent(key);
        window->Unbind(wxEVT_MENU_OPEN, record);
        return origin;
    }

    std::vector<std::string> RightClick()
    {
        std::vector<std::string> lines;
        auto record = [&lines](wxMenuEvent& event) {
            event.Skip();
            wxMenu* menu = event.GetMenu();
            if (!menu || !lines.empty())
                return;
            for (const wxMenuItem* item : menu->GetMenuItems()) {
                if (item->IsSeparator())
                    lines.push_back("-");
                else if (item->GetSubMenu())
                    lines.push_back(ToUtf8(item->GetItemLabel()) + ">");
                else
                    lines.push_back(ToUtf8(item->GetItemLabel()) + "=" + std::to_string(MenuItemCommand(*item)));
            }
            // Close it as Escape would, once GTK has finished showing it.
            GtkWidget* shown = menu->m_menu;
            wxTheApp->CallAfter([shown] { gtk_menu_shell_cancel(GTK_MENU_SHELL(shown)); });
        };
        window->Bind(wxEVT_MENU_OPEN, record);
        wxContextMenuEvent click(wxEVT_CONTEXT_MENU, window->fileList->GetId(),
                                 window->fileList->GetScreenRect().GetTopLeft() + wxPoint(20, 20));
        click.SetEventObject(window->fileList);
        window->fileList->GetEventHandler()->ProcessEvent(click);
        window->Unbind(wxEVT_MENU_OPEN, record);
        return lines;
    }
};

TEST_F(ContextMenuTest, LoggedOutOffersLoginLoggedInOffersLogoutAndOpenIn)
{
    Open();
    EXPECT_EQ(RightClick(), (std::vector<std::string>{"Login=1006", "-", "Help>", "-", "Exit\tAlt+F4=32772"}));
    LogIn(PyFtpServer::User, PyFtpServer::Password);
    EXPECT_EQ(RightClick(), (std::vector<std::string>{"Logout=1007", "-", "Open In>", "-", "Help>", "-",
                                                      "Exit\tAlt+F4=32772"}));
    window->OnLogout();
    EXPECT_EQ(RightClick().front(), "Login=1006");
}

// The Menu key and Shift+F10 open the menu on the focused control, wherever
// the pointer is.
TEST_F(ContextMenuTest, TheKeyboardOpensTheMenuOnTheFocusedControl)
{
    Open();
    wxUIActionSimulator().MouseMove(1, 1);
    PumpEvents();
    const wxRect list = window->fileList->GetScreenRect();
    const wxPoint origin = KeyboardMenuOrigin();
    EXPECT_TRUE(list.Contains(origin)) << origin.x << "," << origin.y << " is outside the list at " << list.x
                                       << "," << list.y << " " << list.width << "x" << list.height;
}

TEST_F(WindowChrome, TheClockLeavesOutWholeDays)
{
    OpenLoggedIn();
    EXPECT_EQ("00:00:00", ControlText(IDC_RUNTIME));
    window->loginTime = std::time(nullptr) - 25 * 3600;
    window->OnTimer(kClockTimerId);
    EXPECT_EQ("01:00:00", window->runTimeText);
    EXPECT_EQ("01:00:00", ControlText(IDC_RUNTIME));
    window->loginTime = std::time(nullptr) - (2 * 86400 + 13 * 3600 + 4 * 60 + 5);
    window->OnTimer(kClockTimerId);
    EXPECT_EQ("13:04:05", ControlText(IDC_RUNTIME));
    window->OnLogout();
    EXPECT_EQ("", ControlText(IDC_RUNTIME));
}

struct Tip {
    int control;
    const char* text;
};

// The texts as the user must read them, written out here rather than taken
// from the program's table.
const Tip kTips[] = {
    {1049, "Remove this domain from Vantrel."},
    {1047, "Enter the FTP domain name (example: ftp.example.com)."},
    {1036, "Enter the FTP port number (usually 21)."},
    {1002, "Enter the user name."},
    {1003, "Enter the user's password."},
    {1016, "Hide the password from wandering eyes."},
    {1010, "Present Working Directory. This will be the login directory."},
    {1006, "Login to the FTP server."},
    {1007, "Logout from the FTP server."},
    {1019, "Transfer a local file to the server's PWD."},
    {1020, "Transfer the hiligthed file to a local computer."},
    {1021, "Transfer ascii text files."},
    {1022, "Transfer binary and executable files."},
    {1023, "Transfer according to file extension."},
    {1024, "Rename the hiligthed file or directory."},
    {1050, "Delete the hiligthed file or directory."},
    {1025, "Make a new directory in the PWD."},
    {1029, "Change to the parent of the PWD."},
    {1032, "Change to the hiligthed directory."},
    {1033, "Change to the domain's base directory  Alt+F4."},
    {1063, "About Vantrel and program documentation."},
    {1066, "Refresh Directory Listing."},
    {1071, "Abort Up-DownLoad."},
};

TEST_F(WindowChrome, EveryControlCarriesItsTip)
{
    Open();
    ASSERT_EQ(23u, std::size(kTips));
    for (const Tip& tip : kTips) {
        wxWindow* control = window->FindWindow(tip.control);
        ASSERT_TRUE(control) << tip.control;
        // Wrapping at 200 pixels turns some blanks into line breaks.
        std::string shown = ToUtf8(control->GetToolTipText());
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        EXPECT_EQ(tip.text, shown) << tip.control;
    }
}

TEST_F(WindowChrome, RestoringPutsTheSiteTitleBackAndMinimisingLeavesTheTitle)
{
    OpenLoggedIn();
    EXPECT_EQ(" 127.0.0.1 - Vantrel", ToUtf8(window->GetTitle()));
    window->SetTitle("42% readme.txt");
    wxIconizeEvent minimised(window->GetId(), true);
    window->GetEventHandler()->ProcessEvent(minimised);
    EXPECT_EQ("42% readme.txt", ToUtf8(window->GetTitle()));
    wxIconizeEvent restored(window->GetId(), false);
    window->GetEventHandler()->ProcessEvent(restored);
    EXPECT_EQ(" 127.0.0.1 - Vantrel", ToUtf8(window->GetTitle()));
}

// Focusing a control of a window that is not the active one must not bring
// the window forward (that would undo a minimise made just after a dialog
// closed); the control gets the focus once the window is activated.
TEST_F(WindowChrome, AControlFocusedWhileAnotherWindowIsActiveWaitsForItsWindow)
{
    OpenLoggedIn();
    wxWindow* const cdRoot = window->FindWindow(IDC_CDROOT);
    wxFrame* const other = new wxFrame(nullptr, wxID_ANY, "other");
    other->Show();
    other->Raise();
    ASSERT_TRUE(PumpUntil([&] { return other->IsActive(); }));

    window->FocusControl(cdRoot);
    PumpEvents();
    EXPECT_TRUE(other->IsActive());
    EXPECT_NE(cdRoot, wxWindow::FindFocus());

    window->Raise();
    ASSERT_TRUE(PumpUntil([&] { return window->IsActive(); }));
    EXPECT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == cdRoot; }));
    other->Destroy();

    // In the active window the focus moves at once.
    window->FocusControl(window->fileList);
    EXPECT_EQ(window->fileList, wxWindow::FindFocus());
}

TEST_F(WindowChrome, RestoringWhileLoggedOutShowsTheChosenSiteToo)
{
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("ftp.example"));
    Store("nLastUsedDomain", 1);
    Open();
    EXPECT_EQ(" Vantrel", ToUtf8(window->GetTitle()));
    window->OnSize(true);
    EXPECT_EQ(" ftp.example - Vantrel", ToUtf8(window->GetTitle()));
}

// PATH holds only a folder of the test's own with a recording xdg-open.
class DocumentationTest : public WindowChrome {
protected:
    void SetUp() override
    {
        WindowChrome::SetUp();
        char pattern[] = "/tmp/vantrel-doc-XXXXXX";
        folder = mkdtemp(pattern);
        const char* path = std::getenv("PATH");
        savedPath = path ? path : "";
        const fs::path opener = folder / "xdg-open";
        const std::string got = (folder / "got").string();
        std::ofstream(opener) << "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" << got << ".part'\n"
                              << "/bin/mv '" << got << ".part' '" << got << "'\n";
        fs::permissions(opener, fs::perms::owner_all);
        setenv("PATH", (folder.string() + ":/usr/bin:/bin").c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", savedPath.c_str(), 1);
        fs::remove_all(folder);
        WindowChrome::TearDown();
    }

    // "<argc>|<first argument>" of the opener's call; empty if none came.
    std::string OpenerCall() const
    {
        const fs::path got = folder / "got";
        if (!PumpUntil([&] { return fs::exists(got); }, 5))
            return {};
        std::string call;
        std::getline(std::ifstream(got), call);
        fs::remove(got);
        return call;
    }

    fs::path folder;
    std::string savedPath;
};

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(DocumentationTest, F1AndTheMenuItemHandTheGuidesAddressToTheOpener)
{
    Open();
    wxKeyEvent f1(wxEVT_CHAR_HOOK);
    f1.m_keyCode = WXK_F1;
    f1.SetEventObject(window->fileList);
    WithoutDialogs([&] { window->fileList->GetEventHandler()->ProcessEvent(f1); });
    const std::string byKey = OpenerCall();
    EXPECT_EQ(0u, byKey.rfind("1|file:///", 0)) << byKey;  // one argument, an address
    EXPECT_TRUE(EndsWith(byKey, "/programs/VantrelDoc.pdf#page=1&view=fitH")) << byKey;

    wxCommandEvent item(wxEVT_MENU, ID_DOCUMENTATION);
    WithoutDialogs([&] { window->GetEventHandler()->ProcessEvent(item); });
    EXPECT_EQ(byKey, OpenerCall());
}

TEST_F(DocumentationTest, WithoutAnOpenerTheBoxGivesTheReasonAndTheAddress)
{
    fs::remove(folder / "xdg-open");
    setenv("PATH", folder.c_str(), 1);
    Open();
    const std::string address = DocumentationAddress(FindDocumentationPdf());
    wxKeyEvent f1(wxEVT_CHAR_HOOK);
    f1.m_keyCode = WXK_F1;
    wxTEST_DIALOG(window->GetEventHandler()->ProcessEvent(f1),
                  ExpectMessageBox("No such file or directory\n\n" + address, "Vantrel", wxICON_WARNING));
}

// Finds the About box while it is up, reads it and closes it.
std::vector<std::string> AboutTextsShownBy(std::function<void()> show)
{
    std::vector<std::string> texts;
    wxTheApp->CallAfter([&texts] {
        for (wxWindow* top : wxTopLevelWindows) {
            auto* about = dynamic_cast<CAboutDlg*>(top);
            if (!about || !about->IsModal())
                continue;
            texts.push_back(ToUtf8(about->GetTitle()));
            for (const wxWindow* child : about->GetChildren())
                // Not wxDynamicCast: it static_casts before checking, undefined for the other children.
                if (const auto* text = dynamic_cast<const wxStaticText*>(child))
                    texts.push_back(ToUtf8(text->GetLabel()));
            about->Close();
            return;
        }
        ADD_FAILURE() << "the About box is not shown";
    });
    show();
    return texts;
}

TEST_F(WindowChrome, TheAboutCommandShowsTheAboutBox)
{
    Open();
    const std::vector<std::string> texts = AboutTextsShownBy([&] {
        wxCommandEvent about(wxEVT_MENU, ID_ABOUT);
        window->GetEventHandler()->ProcessEvent(about);
    });
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "About Vantrel",
                         "Vantrel  Version 1.2.0.1",
                         "\xC2\xA9 2026 Quillmarsh",
                         kContactAddress,
                         "This File Transfer Utility operates on\na single file or directory at a time.",
                     }));
    EXPECT_TRUE(window->IsShown());
}

} // namespace
