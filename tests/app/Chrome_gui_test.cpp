#include "app/CAboutDlg.h"
#include "app/ChromeRules.h"
#include "app/ControlIds.h"
#include "app/ToolTips.h"
#include "platform/Resources.h"
#include "platform/Text.h"
#include "support/GuiTestHelpers.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/dcscreen.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/tokenzr.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Any wx assertion (an item id wx refuses, say) fails the test instead of
// opening wx's assertion dialog.
class ChromeTest : public testing::Test {
protected:
    void SetUp() override
    {
        previous = wxSetAssertHandler([](const wxString& file, int line, const wxString&, const wxString& cond,
                                         const wxString& msg) {
            ADD_FAILURE() << "wx assertion " << cond << " " << msg << " at " << file << ":" << line;
        });
    }
    void TearDown() override { wxSetAssertHandler(previous); }

    wxAssertHandler_t previous = nullptr;
};

// One menu line as the user sees it: a command, a separator or a submenu.
struct MenuLine {
    std::string label;
    int command = 0;
    std::vector<MenuLine> submenu = {};
};

const MenuLine kSeparator{"", wxID_SEPARATOR};

std::vector<MenuLine> LinesOf(const wxMenu& menu)
{
    std::vector<MenuLine> lines;
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        if (item->IsSeparator()) {
            lines.push_back(kSeparator);
            continue;
        }
        MenuLine line{ToUtf8(item->GetItemLabel()), item->GetSubMenu() ? 0 : MenuItemCommand(*item)};
        if (item->GetSubMenu())
            line.submenu = LinesOf(*item->GetSubMenu());
        lines.push_back(line);
    }
    return lines;
}

void ExpectLines(const std::vector<MenuLine>& actual, const std::vector<MenuLine>& expected, const std::string& where)
{
    ASSERT_EQ(actual.size(), expected.size()) << where;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].label, expected[i].label) << where << " line " << i;
        EXPECT_EQ(actual[i].command, expected[i].command) << where << " line " << i;
        ExpectLines(actual[i].submenu, expected[i].submenu, where + " > " + expected[i].label);
    }
}

const MenuLine kHelpSubmenu{"Help", 0, {{"&About Vantrel...", ID_ABOUT}, {"&Documentation\tF1", ID_DOCUMENTATION}}};

struct MenuCase {
    const char* name;
    std::vector<MenuLine> lines;
};

const std::vector<MenuCase>& MenuCases()
{
    static const std::vector<MenuCase> cases{
        {"137", {{"Login", IDC_LOGIN}, kSeparator, kHelpSubmenu, kSeparator, {"Exit\tAlt+F4", ID_EXIT}}},
        {"138",
         {{"Logout", IDC_LOGOUT},
          kSeparator,
          {"Open In",
           0,
           {{"Text Viewer", ID_OPENIN_TEXT},
            {"Graphics Viewer", ID_OPENIN_GRAPHICS},
            {"Browser", ID_OPENIN_BROWSER},
            kSeparator,
            {"Configure...", ID_OPENIN_CONFIGURE}}},
          kSeparator,
          kHelpSubmenu,
          kSeparator,
          {"Exit\tAlt+F4", ID_EXIT}}},
        {"143", {{"&About Vantrel...", ID_ABOUT}, {"&Documentation\tF1", ID_DOCUMENTATION}, {"&Cancel", ID_CANCEL_MENU}}},
    };
    return cases;
}

TEST_F(ChromeTest, PopupMenusHoldTheirItemsLabelsAndCommands)
{
    for (const MenuCase& c : MenuCases()) {
        std::unique_ptr<wxMenu> menu(LoadPopupMenu(c.name));
        ASSERT_TRUE(menu) << "menu " << c.name;
        ExpectLines(LinesOf(*menu), c.lines, std::string("menu ") + c.name);
        for (const wxMenuItem* item : menu->GetMenuItems()) {
            EXPECT_FALSE(item->IsCheckable()) << ToUtf8(item->GetItemLabel());
            EXPECT_TRUE(item->IsEnabled()) << ToUtf8(item->GetItemLabel());
        }
    }
}

TEST_F(ChromeTest, UnknownMenuNameGivesNoMenu)
{
    EXPECT_EQ(LoadPopupMenu("999"), nullptr);
}

// Every item of the shown popups, the submenus' ones included, reaches the
// window that showed it as a menu event carrying the command number.
class MenuCommandsTest : public ChromeTest {
protected:
    void SetUp() override
    {
        ChromeTest::SetUp();
        frame = new wxFrame(nullptr, wxID_ANY, "menu owner");
        frame->Bind(wxEVT_MENU, [this](wxCommandEvent& event) { received.push_back(event.GetId()); });
    }
    void TearDown() override
    {
        frame->Destroy();
        PumpEvents();
        ChromeTest::TearDown();
    }

    // Sends every command item of `menu` (a popup shown on the frame) and
    // returns the commands it should have delivered.
    std::vector<int> ChooseEach(wxMenu& menu)
    {
        std::vector<int> expected;
        for (wxMenuItem* item : menu.GetMenuItems()) {
            if (item->IsSeparator())
                continue;
            if (item->GetSubMenu()) {
                const std::vector<int> inner = ChooseEach(*item->GetSubMenu());
                expected.insert(expected.end(), inner.begin(), inner.end());
                continue;
            }
            expected.push_back(MenuItemCommand(*item));
            menu.SendEvent(item->GetId());
        }
        return expected;
    }

    wxFrame* frame = nullptr;
    std::vector<int> received;
};

TEST_F(MenuCommandsTest, ChoicesArriveAsCommandNumbers)
{
    const std::vector<int> logout{IDC_LOGOUT,       ID_OPENIN_TEXT, ID_OPENIN_GRAPHICS, ID_OPENIN_BROWSER,
                                  ID_OPENIN_CONFIGURE, ID_ABOUT,    ID_DOCUMENTATION,   ID_EXIT};
    std::unique_ptr<wxMenu> menu(LoadPopupMenu("138"));
    ASSERT_TRUE(menu);
    menu->SetInvokingWindow(frame);
    EXPECT_EQ(ChooseEach(*menu), logout);
    EXPECT_EQ(received, logout);
}

TEST_F(MenuCommandsTest, LoadingAgainKeepsTheCommands)
{
    for (int showing = 0; showing < 3; ++showing) {
        received.clear();
        std::unique_ptr<wxMenu> menu(LoadPopupMenu("143"));
        ASSERT_TRUE(menu);
        menu->SetInvokingWindow(frame);
        ChooseEach(*menu);
        EXPECT_EQ(received, (std::vector<int>{ID_ABOUT, ID_DOCUMENTATION, ID_CANCEL_MENU})) << "showing " << showing;
    }
}

std::vector<std::string> StaticTexts(const wxWindow& window)
{
    std::vector<std::string> texts;
    for (const wxWindow* child : window.GetChildren())
        // Not wxDynamicCast: it static_casts before checking, undefined for the other children.
        if (const auto* text = dynamic_cast<const wxStaticText*>(child))
            texts.push_back(ToUtf8(text->GetLabel()));
    return texts;
}

TEST_F(ChromeTest, AboutBoxShowsItsTextsPictureAndMailButton)
{
    CAboutDlg about;
    EXPECT_EQ(ToUtf8(about.GetTitle()), "About Vantrel");
    EXPECT_EQ(StaticTexts(about), (std::vector<std::string>{
                                      "Vantrel  Version 1.2.0.1",
                                      "\xC2\xA9 2026 Quillmarsh",
                                      kContactAddress,
                                      "This File Transfer Utility operates on\na single file or directory at a time.",
                                  }));
    auto* picture = wxDynamicCast(about.FindWindow(136), wxStaticBitmap);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->GetBitmap().IsOk());
    ASSERT_TRUE(about.emailButton);
    EXPECT_EQ(about.emailButton->GetId(), 1037);
    EXPECT_TRUE(about.emailButton->GetBitmapLabel().IsOk());
    EXPECT_TRUE(about.emailButton->GetBitmapPressed().IsOk());
    EXPECT_EQ(about.FindWindow(wxID_OK), nullptr);
    EXPECT_EQ(about.FindWindow(wxID_CANCEL), nullptr);
}

TEST_F(ChromeTest, AboutBoxClosesByEscapeAndByItsCloseBox)
{
    CAboutDlg byEscape;
    wxTheApp->CallAfter([&byEscape] {
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        escape.SetEventObject(&byEscape);
        byEscape.ProcessWindowEvent(escape);
    });
    EXPECT_EQ(byEscape.ShowModal(), wxID_CANCEL);

    CAboutDlg byCloseBox;
    wxTheApp->CallAfter([&byCloseBox] { byCloseBox.Close(); });
    EXPECT_EQ(byCloseBox.ShowModal(), wxID_CANCEL);
}

// Points PATH at a folder of our own for one test, so the desktop opener is
// either a recording stand-in or missing.
class MailButtonTest : public ChromeTest {
protected:
    void SetUp() override
    {
        ChromeTest::SetUp();
        folder = std::filesystem::temp_directory_path() / ("vantrel-mail-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const char* path = getenv("PATH");
        savedPath = path ? path : "";
        setenv("PATH", folder.c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", savedPath.c_str(), 1);
        std::filesystem::remove_all(folder);
        ChromeTest::TearDown();
    }

    void InstallRecordingOpener()
    {
        const std::filesystem::path opener = folder / "xdg-open";
        std::ofstream(opener) << "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"" << (folder / "got").string()
                              << ".tmp\" && /bin/mv \"" << (folder / "got").string() << ".tmp\" \""
                              << (folder / "got").string() << "\"\n";
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    }

    static void Click(CAboutDlg& about)
    {
        wxCommandEvent click(wxEVT_BUTTON, 1037);
        click.SetEventObject(about.emailButton);
        about.emailButton->ProcessWindowEvent(click);
    }

    std::filesystem::path folder;
    std::string savedPath;
};

TEST_F(MailButtonTest, HandsTheMailLinkToTheDesktopAsOneArgument)
{
    InstallRecordingOpener();
    CAboutDlg about;
    Click(about);
    const std::filesystem::path got = folder / "got";
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(got); }));
    std::string received;
    std::getline(std::ifstream(got), received);
    EXPECT_EQ(received, "1|mailto:vantrel@example.org?subject=Concerning your program Vantrel");
}

TEST_F(MailButtonTest, WithoutAnOpenerSaysSo)
{
    CAboutDlg about;
    wxTEST_DIALOG(Click(about), ExpectMessageBox("Problem sending mail.", "Send Orlen Mail", wxICON_ERROR));
}

std::string Unwrapped(const wxString& tip)
{
    std::string text = ToUtf8(tip);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void ExpectToolTipsInstalled(wxWindow& dialog)
{
    InstallToolTips(&dialog);
    wxScreenDC dc;
    dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    for (const ToolTipEntry& entry : ToolTipTable()) {
        wxWindow* control = dialog.FindWindow(entry.controlId);
        ASSERT_TRUE(control) << entry.controlId;
        const wxString tip = control->GetToolTipText();
        EXPECT_EQ(Unwrapped(tip), entry.text) << entry.controlId;
        for (const wxString& line : wxStringTokenize(tip, "\n"))
            EXPECT_TRUE(dc.GetTextExtent(line).x <= kToolTipMaxWidth || !line.Contains(" "))
                << entry.controlId << ": \"" << line << "\" is too wide";
    }
}

TEST_F(ChromeTest, ToolTipsGoOnTheControlsByTheirIds)
{
    wxDialog dialog(nullptr, wxID_ANY, "tips");
    for (const ToolTipEntry& entry : ToolTipTable())
        new wxButton(&dialog, entry.controlId, "x");
    ExpectToolTipsInstalled(dialog);
    // Long tips do wrap.
    EXPECT_TRUE(dialog.FindWindow(IDC_PWD)->GetToolTipText().Contains("\n"));
}

TEST_F(ChromeTest, EveryTipFindsItsControlInTheMainWindowTemplate)
{
    wxDialog dialog;
    ASSERT_TRUE(LoadDialogTemplate(&dialog, nullptr, "102"));
    ExpectToolTipsInstalled(dialog);
}

} // namespace
