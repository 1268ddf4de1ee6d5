#include "transfer/CAsciiExtDlg.h"

#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "support/GuiTestHelpers.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <memory>
#include <vector>

namespace {

constexpr const char* kDefaultList =
    "asp bat c cgi cpp css dhtml h htm html js log pas php pl sh shtml txt vbs xml ";

using Entries = std::vector<std::string>;

// A real, shown dialog whose controls the tests work like a user would:
// typing into the edit, clicking buttons and rows.
class AsciiExtDlgTest : public testing::Test {
protected:
    void Open(const std::string& list)
    {
        dialog.reset(new CAsciiExtDlg);
        dialog->extList = list;
        dialog->Show();
        PumpEvents();
    }

    void TearDown() override
    {
        if (dialog)
            dialog.release()->Destroy();
        PumpEvents();
    }

    wxListBox* List() const { return wxStaticCast(dialog->FindWindow(IDC_EXT_LIST), wxListBox); }
    wxTextCtrl* Edit() const { return wxStaticCast(dialog->FindWindow(IDC_EXT_EDIT), wxTextCtrl); }

    Entries ListEntries() const
    {
        Entries entries;
        for (unsigned i = 0; i < List()->GetCount(); ++i)
            entries.push_back(ToUtf8(List()->GetString(i)));
        return entries;
    }

    std::string Selected() const
    {
        const int selected = List()->GetSelection();
        return selected == wxNOT_FOUND ? "<none>" : ToUtf8(List()->GetString(selected));
    }

    std::string EditText() const { return ToUtf8(Edit()->GetValue()); }

    void Type(const std::string& text) { Edit()->ChangeValue(FromUtf8(text)); }

    void Click(int id)
    {
        wxWindow* button = dialog->FindWindow(id);
        ASSERT_NE(nullptr, button);
        wxCommandEvent click(wxEVT_BUTTON, button->GetId());
        click.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(click);
    }

    void ClickRow(int index)
    {
        List()->SetSelection(index);
        wxCommandEvent change(wxEVT_LISTBOX, IDC_EXT_LIST);
        change.SetInt(index);
        change.SetEventObject(List());
        List()->GetEventHandler()->ProcessEvent(change);
    }

    void TypeAndClick(const std::string& text, int id)
    {
        Type(text);
        Click(id);
    }

    std::unique_ptr<CAsciiExtDlg> dialog;
};

TEST_F(AsciiExtDlgTest, TemplateHasTheCaptionAndControls)
{
    Open(kDefaultList);
    EXPECT_EQ("ASCII File Extensions", ToUtf8(dialog->GetTitle()));
    EXPECT_EQ("Add", ToUtf8(dialog->FindWindow(IDC_EXT_ADD)->GetLabel()));
    EXPECT_EQ("Delete", ToUtf8(dialog->FindWindow(IDC_EXT_DELETE)->GetLabel()));
    EXPECT_EQ("OK", ToUtf8(dialog->FindWindow(wxID_OK)->GetLabel()));
    EXPECT_EQ("Cancel", ToUtf8(dialog->FindWindow(wxID_CANCEL)->GetLabel()));
    auto* info = wxDynamicCast(wxWindow::FindWindowByName("autoModeInfo", dialog.get()), wxStaticText);
    ASSERT_NE(nullptr, info);
    wxString plain = info->GetLabel();
    plain.Replace("\n", " ");
    EXPECT_TRUE(plain.Contains("transfer according to their file extension."));
    EXPECT_TRUE(plain.Contains("will be transfered in ASCII mode. All others in Binary mode."));
    // The buttons at the bottom lie inside the client area.
    const wxRect ok = dialog->FindWindow(wxID_OK)->GetRect();
    EXPECT_LE(ok.GetBottom(), dialog->GetClientSize().GetHeight());
}

TEST_F(AsciiExtDlgTest, OpensWithEntriesInCaseInsensitiveOrderAndFirstSelected)
{
    Open("txt HTM Asp htm ");
    EXPECT_EQ((Entries{"Asp", "HTM", "htm", "txt"}), ListEntries());
    EXPECT_EQ("Asp", Selected());
    EXPECT_EQ("Asp", EditText());
}

TEST_F(AsciiExtDlgTest, OpensWithTheDefaultList)
{
    Open(kDefaultList);
    EXPECT_EQ(20u, List()->GetCount());
    EXPECT_EQ("asp", Selected());
    EXPECT_EQ("asp", EditText());
}

TEST_F(AsciiExtDlgTest, AdjacentSpacesShowAnEmptyLine)
{
    Open("txt  log ");
    EXPECT_EQ((Entries{"", "log", "txt"}), ListEntries());
    EXPECT_EQ("", EditText());
}

TEST_F(AsciiExtDlgTest, ListStartingWithSpaceOpensEmptyAndStoresEmpty)
{
    Open(" txt log ");
    EXPECT_TRUE(ListEntries().empty());
    EXPECT_EQ("", EditText());
    Click(wxID_OK);
    EXPECT_EQ("", dialog->extList);
}

TEST_F(AsciiExtDlgTest, SelectingARowFillsTheEdit)
{
    Open(kDefaultList);
    ClickRow(9);
    EXPECT_EQ("html", EditText());
}

TEST_F(AsciiExtDlgTest, AddOfAListedExtensionWithBlanksAndCapitalsSelectsIt)
{
    Open(kDefaultList);
    TypeAndClick("  .HTML ", IDC_EXT_ADD);
    EXPECT_EQ(20u, List()->GetCount());
    EXPECT_EQ("html", Selected());
    EXPECT_EQ("html", EditText());
}

TEST_F(AsciiExtDlgTest, AddDropsOneDotOnly)
{
    Open(kDefaultList);
    TypeAndClick("..x", IDC_EXT_ADD);
    EXPECT_EQ(".x", ListEntries().front());
    EXPECT_EQ(".x", Selected());
    EXPECT_EQ(".x", EditText());
}

TEST_F(AsciiExtDlgTest, AddPlacesTheLowerCaseEntryInOrder)
{
    Open(kDefaultList);
    TypeAndClick("Cfg", IDC_EXT_ADD);
    const Entries entries = ListEntries();
    ASSERT_EQ(21u, entries.size());
    EXPECT_EQ("cfg", entries[3]);
    EXPECT_EQ("cgi", entries[4]);
    EXPECT_EQ("cfg", Selected());
    EXPECT_EQ("cfg", EditText());
}

TEST_F(AsciiExtDlgTest, AddNeverDuplicatesButCapitalsDoNotBlock)
{
    Open("HTM txt ");
    TypeAndClick("htm", IDC_EXT_ADD);
    TypeAndClick("htm", IDC_EXT_ADD);
    TypeAndClick("TXT", IDC_EXT_ADD);
    EXPECT_EQ((Entries{"HTM", "htm", "txt"}), ListEntries());
    EXPECT_EQ("txt", Selected());
}

TEST_F(AsciiExtDlgTest, AddOfAPrefixOfAnEntryAddsIt)
{
    Open("html ");
    TypeAndClick("ht", IDC_EXT_ADD);
    EXPECT_EQ((Entries{"ht", "html"}), ListEntries());
    EXPECT_EQ("ht", Selected());
}

TEST_F(AsciiExtDlgTest, AddRefusesAnEmptyOrBlankText)
{
    Open("txt ");
    for (const char* typed : {"", "   ", " . "}) {
        const int beeps = BeepCount();
        TypeAndClick(typed, IDC_EXT_ADD);
        EXPECT_EQ((Entries{"txt"}), ListEntries()) << "'" << typed << "'";
        EXPECT_EQ("", EditText());
        EXPECT_EQ(beeps + 1, BeepCount());
    }
    Click(wxID_OK);
    EXPECT_EQ("txt ", dialog->extList);
}

TEST_F(AsciiExtDlgTest, DeleteTakesTheFirstPrefixMatchAndSelectsTheEntryBefore)
{
    Open(kDefaultList);
    TypeAndClick("h", IDC_EXT_DELETE);
    const Entries entries = ListEntries();
    EXPECT_EQ(19u, entries.size());
    EXPECT_EQ("htm", entries[7]);
    EXPECT_EQ("dhtml", Selected());
    EXPECT_EQ("dhtml", EditText());
}

TEST_F(AsciiExtDlgTest, DeleteOfAPrefixRemovesTheShortestMatch)
{
    Open("htm html txt ");
    TypeAndClick("HT", IDC_EXT_DELETE);
    EXPECT_EQ((Entries{"html", "txt"}), ListEntries());
    EXPECT_EQ("html", Selected());
    EXPECT_EQ("html", EditText());
}

TEST_F(AsciiExtDlgTest, DeleteOfTheFirstEntrySelectsTheNewFirst)
{
    Open(kDefaultList);
    TypeAndClick("asp", IDC_EXT_DELETE);
    EXPECT_EQ("bat", ListEntries().front());
    EXPECT_EQ("bat", Selected());
    EXPECT_EQ("bat", EditText());
}

TEST_F(AsciiExtDlgTest, DeleteOfTheOnlyEntryLeavesEverythingEmpty)
{
    Open("txt ");
    TypeAndClick("txt", IDC_EXT_DELETE);
    EXPECT_TRUE(ListEntries().empty());
    EXPECT_EQ("", EditText());
    Click(wxID_OK);
    EXPECT_EQ("", dialog->extList);
}

TEST_F(AsciiExtDlgTest, DeleteWithoutAMatchKeepsListAndEdit)
{
    Open("htm txt ");
    for (const char* typed : {"zip", " h", ""}) {
        TypeAndClick(typed, IDC_EXT_DELETE);
        EXPECT_EQ((Entries{"htm", "txt"}), ListEntries()) << "'" << typed << "'";
        EXPECT_EQ(typed, EditText());
    }
}

TEST_F(AsciiExtDlgTest, OkStoresEntriesInListOrderEachWithASpace)
{
    Open("txt HTM ");
    TypeAndClick("c", IDC_EXT_ADD);
    Click(wxID_OK);
    EXPECT_EQ("c HTM txt ", dialog->extList);
    EXPECT_FALSE(dialog->IsShown());
}

// The modal runs go through the dialog's own event loop, as the main window
// runs it.
TEST(AsciiExtDlgModalTest, OkReturnsTheEditedList)
{
    CAsciiExtDlg dialog;
    dialog.extList = kDefaultList;
    dialog.CallAfter([&dialog] {
        wxStaticCast(dialog.FindWindow(IDC_EXT_EDIT), wxTextCtrl)->ChangeValue("Cfg");
        wxCommandEvent add(wxEVT_BUTTON, IDC_EXT_ADD);
        dialog.FindWindow(IDC_EXT_ADD)->GetEventHandler()->ProcessEvent(add);
        wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
        dialog.FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(ok);
    });
    EXPECT_EQ(wxID_OK, dialog.ShowModal());
    EXPECT_EQ("asp bat c cfg cgi cpp css dhtml h htm html js log pas php pl sh shtml txt vbs xml ", dialog.extList);
}

TEST(AsciiExtDlgModalTest, CancelKeepsTheListAsGiven)
{
    CAsciiExtDlg dialog;
    dialog.extList = "txt  log";
    dialog.CallAfter([&dialog] {
        auto* edit = wxStaticCast(dialog.FindWindow(IDC_EXT_EDIT), wxTextCtrl);
        const std::pair<const char*, int> steps[] = {{"zip", IDC_EXT_ADD}, {"txt", IDC_EXT_DELETE}, {"c", IDC_EXT_ADD}};
        for (const auto& [text, id] : steps) {
            edit->ChangeValue(text);
            wxCommandEvent click(wxEVT_BUTTON, id);
            dialog.FindWindow(id)->GetEventHandler()->ProcessEvent(click);
        }
        wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
        dialog.FindWindow(wxID_CANCEL)->GetEventHandler()->ProcessEvent(cancel);
    });
    EXPECT_EQ(wxID_CANCEL, dialog.ShowModal());
    EXPECT_EQ("txt  log", dialog.extList);
}

TEST(AsciiExtDlgModalTest, EachShowingStartsFromExtList)
{
    CAsciiExtDlg dialog;
    dialog.extList = "b a ";
    for (int run = 0; run < 2; ++run) {
        dialog.CallAfter([&dialog] {
            wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
            dialog.FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(ok);
        });
        EXPECT_EQ(wxID_OK, dialog.ShowModal());
        EXPECT_EQ("a b ", dialog.extList);
    }
}

} // namespace
