// The main window's start, site list and close sequence against real
// settings files, with every message box matched and answered.
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "ftp/CFtpSession.h"
#include "platform/Text.h"
#include "sites/SiteProfile.h"
#include "support/GuiTestHelpers.h"
#include "support/MainWindowFixture.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

class MainWindow : public MainWindowFixture {};

TEST_F(MainWindow, FirstStartShowsOnlyThePlaceholderWithItsFields)
{
    CFtpClientDlg& dlg = Open();
    EXPECT_EQ(PLACEHOLDER_SITE, ComboItems());
    EXPECT_EQ(0, Combo().GetSelection());
    EXPECT_EQ(PLACEHOLDER_SITE, ToUtf8(Combo().GetValue()));
    EXPECT_EQ("anonymous", ControlText(IDC_USER));
    EXPECT_EQ("", ControlText(IDC_PSWD));
    EXPECT_EQ("/", ControlText(IDC_PWD));
    EXPECT_EQ("21", ControlText(IDC_PORT));
    EXPECT_EQ(470, dlg.fileList->GetColumnWidth(0));
    EXPECT_EQ(80, dlg.fileList->GetColumnWidth(1));
    EXPECT_EQ(210, dlg.fileList->GetColumnWidth(2));
    EXPECT_TRUE(static_cast<wxRadioButton*>(dlg.FindWindow(IDC_ASCII))->GetValue());
    EXPECT_FALSE(PasswordMasked());
    EXPECT_EQ(wxPoint(0, 0), dlg.GetPosition());
    EXPECT_EQ(" Vantrel", ToUtf8(dlg.GetTitle()));
    EXPECT_EQ(INFO_TEXT, dlg.infoText);
    // Logged out: the site fields are writable, the server buttons are not.
    EXPECT_TRUE(dlg.FindWindow(IDC_LOGIN)->IsEnabled());
    EXPECT_FALSE(dlg.FindWindow(IDC_LOGOUT)->IsEnabled());
    EXPECT_FALSE(dlg.FindWindow(IDC_ABORT)->IsEnabled());
    EXPECT_TRUE(static_cast<wxTextCtrl*>(dlg.FindWindow(IDC_USER))->IsEditable());
    EXPECT_EQ("notepad.exe", dlg.openTextPath);
    EXPECT_EQ("asp bat c cgi cpp css dhtml h htm html js log pas php pl sh shtml txt vbs xml ", dlg.asciiExtList);
}

TEST_F(MainWindow, AMissingRecordReadsAsThePlaceholderAndNoSecondOneIsAdded)
{
    Store("nDomains", 3);
    Store("domainStr_0", SiteRecord("zeta.example"));
    Store("domainStr_2", SiteRecord("alpha.example", "bob"));
    Store("nLastUsedDomain", 1);
    Store("bHidePswd", 1);
    Store("nAsciiBinaryAuto", 1);
    CFtpClientDlg& dlg = Open();
    EXPECT_EQ(std::string(PLACEHOLDER_SITE) + "|alpha.example|zeta.example", ComboItems());
    EXPECT_EQ("alpha.example", ToUtf8(Combo().GetValue()));
    EXPECT_EQ("bob", ControlText(IDC_USER));
    EXPECT_EQ("/pub", ControlText(IDC_PWD));
    EXPECT_TRUE(PasswordMasked());
    EXPECT_TRUE(static_cast<wxRadioButton*>(dlg.FindWindow(IDC_BINARY))->GetValue());
}

TEST_F(MainWindow, CloseRenumbersTheRecordsInSortedOrderAndCountsThePlaceholder)
{
    Store("nDomains", 2);
    Store("domainStr_0", SiteRecord("Zeta.example"));
    Store("domainStr_1", SiteRecord("alpha.example"));
    Store("domainStr_7", SiteRecord("left.over"));
    Open();
    Combo().SetSelection(2);
    window->OnSelchangeDomain();
    TypeInto(IDC_PSWD, "changed");
    SettingsStore& store = CloseAndReread();
    EXPECT_EQ(2, store.GetProfileInt("nDomains", -1));
    EXPECT_EQ(SiteRecord("alpha.example"), store.GetProfileString("domainStr_0", ""));
    EXPECT_EQ(SiteRecord("Zeta.example", "anna", "changed"), store.GetProfileString("domainStr_1", ""));
    EXPECT_EQ(2, store.GetProfileInt("nLastUsedDomain", -1));
    EXPECT_EQ(0, store.GetProfileInt("nAsciiBinaryAuto", -1));
    EXPECT_EQ(470, store.GetProfileInt("nNameColWidth", -1));
    EXPECT_EQ("gone", store.GetProfileString("domainStr_7", "gone"));
    EXPECT_FALSE(window->IsShown());
}

TEST_F(MainWindow, ASiteCarryingThePlaceholderTextAnywhereIsNotSaved)
{
    Store("nDomains", 2);
    Store("domainStr_0", SiteRecord("kept.example"));
    Store("domainStr_1", SiteRecord("dropped.example", PLACEHOLDER_SITE));
    Open();
    SettingsStore& store = CloseAndReread();
    EXPECT_EQ(1, store.GetProfileInt("nDomains", -1));
    EXPECT_EQ(SiteRecord("kept.example"), store.GetProfileString("domainStr_0", ""));
}

TEST_F(MainWindow, RemovingTheOnlyRealSiteLeavesThePlaceholderSelected)
{
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("only.example"));
    Store("nLastUsedDomain", 1);
    Open();
    wxTEST_DIALOG(window->OnRemove(), ExpectMessageBox("Remove\n\"only.example\"\nfrom Vantrel?", "Remove Domain",
                                                       wxICON_QUESTION, wxID_YES));
    EXPECT_EQ(PLACEHOLDER_SITE, ComboItems());
    EXPECT_EQ(0, window->currentSite);
    EXPECT_EQ("anonymous", ControlText(IDC_USER));
    SettingsStore& store = CloseAndReread();
    EXPECT_EQ(0, store.GetProfileInt("nDomains", -1));
    // The removed site's record, and the password in it, left the file.
    EXPECT_EQ(0, store.IndexedEntryLimit("domainStr_"));
}

TEST_F(MainWindow, RemoveAnsweredNoOrOnThePlaceholderKeepsEverything)
{
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("only.example"));
    Store("nLastUsedDomain", 1);
    Open();
    wxTEST_DIALOG(window->OnRemove(), ExpectMessageBox("Remove\n\"only.example\"\nfrom Vantrel?", "Remove Domain",
                                                       wxICON_QUESTION, wxID_NO));
    EXPECT_EQ(std::string(PLACEHOLDER_SITE) + "|only.example", ComboItems());
    Combo().SetSelection(0);
    window->OnSelchangeDomain();
    TypeInto(IDC_DOMAIN, "* enter a NEW ftp domain *");
    window->OnRemove();  // no box expected: the placeholder is never removed
    EXPECT_EQ(2u, Combo().GetCount());
}

TEST_F(MainWindow, TypingOverThePlaceholderThenRemoveReplacesThePlaceholder)
{
    Open();
    TypeInto(IDC_DOMAIN, "typed.example");
    wxTEST_DIALOG(window->OnRemove(), ExpectMessageBox("Remove\n\"typed.example\"\nfrom Vantrel?", "Remove Domain",
                                                       wxICON_QUESTION, wxID_YES));
    EXPECT_EQ(PLACEHOLDER_SITE, ComboItems());
    EXPECT_EQ(PLACEHOLDER_SITE, ToUtf8(Combo().GetValue()));
}

TEST_F(MainWindow, ALoginWithANewUserAsksAndYesAddsASecondEntry)
{
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("ftp.example"));
    Store("nLastUsedDomain", 1);
    Open();
    TypeInto(IDC_USER, "carol");
    window->UpdateData(true);
    wxTEST_DIALOG(window->RecordSiteAfterLogin(), ExpectMessageBox("User has changed\nCreate new Domain entry?",
                                                                   "New User", wxICON_QUESTION, wxID_YES));
    EXPECT_EQ(std::string(PLACEHOLDER_SITE) + "|ftp.example|ftp.example", ComboItems());
    EXPECT_EQ("/", window->downloadFolder);
    SettingsStore& store = CloseAndReread();
    EXPECT_EQ(2, store.GetProfileInt("nDomains", -1));
    EXPECT_EQ("anna", RecordUser(store.GetProfileString("domainStr_0", "")));
    EXPECT_EQ("carol", RecordUser(store.GetProfileString("domainStr_1", "")));
}

TEST_F(MainWindow, ALoginWithANewUserAnsweredNoOverwritesTheEntry)
{
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("ftp.example"));
    Store("nLastUsedDomain", 1);
    Open();
    TypeInto(IDC_USER, "carol");
    window->UpdateData(true);
    wxTEST_DIALOG(window->RecordSiteAfterLogin(), ExpectMessageBox("User has changed\nCreate new Domain entry?",
                                                                   "New User", wxICON_QUESTION, wxID_NO));
    EXPECT_EQ(std::string(PLACEHOLDER_SITE) + "|ftp.example", ComboItems());
    EXPECT_EQ("carol", RecordUser(CloseAndReread().GetProfileString("domainStr_0", "")));
}

TEST_F(MainWindow, TheSameNameInOtherLetterCaseUpdatesWithoutAQuestion)
{
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("ftp.example"));
    Store("nLastUsedDomain", 1);
    Open();
    TypeInto(IDC_DOMAIN, "FTP.Example");
    TypeInto(IDC_PSWD, "new");
    window->UpdateData(true);
    window->RecordSiteAfterLogin();
    EXPECT_EQ(2u, Combo().GetCount());
    EXPECT_EQ(SiteRecord("FTP.Example", "anna", "new"), CloseAndReread().GetProfileString("domainStr_0", ""));
}

TEST_F(MainWindow, ANewSiteNameAddsAnEntryWithoutAQuestion)
{
    Open();
    TypeInto(IDC_DOMAIN, "beta.example");
    window->UpdateData(true);
    window->RecordSiteAfterLogin();
    EXPECT_EQ(std::string(PLACEHOLDER_SITE) + "|beta.example", ComboItems());
    EXPECT_EQ(1, window->currentSite);
    SettingsStore& store = CloseAndReread();
    EXPECT_EQ(1, store.GetProfileInt("nDomains", -1));
    EXPECT_EQ("beta.example", RecordDomain(store.GetProfileString("domainStr_0", "")));
    EXPECT_EQ(1, store.GetProfileInt("nLastUsedDomain", -1));
}

TEST_F(MainWindow, EscapeClearsTheSelectionAndKeepsTheWindowOpen)
{
    Open();
    window->fileList->SetEntries({ListEntry{1, "a.txt", 10, 0}, ListEntry{1, "b.txt", 10, 0}});
    window->fileList->SelectRow(1);
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    escape.SetEventObject(window.get());
    window->GetEventHandler()->ProcessEvent(escape);
    EXPECT_EQ(-1, window->fileList->FirstSelected());
    EXPECT_TRUE(window->IsShown());
}

TEST_F(MainWindow, ClosingWritesAPrivateFileInAPrivateFolder)
{
    Open();
    CloseAndReread();
    struct stat file {}, folder {};
    ASSERT_EQ(0, stat(SettingsStore::FilePath().c_str(), &file));
    ASSERT_EQ(0, stat((configHome + "/Quillmarsh").c_str(), &folder));
    EXPECT_EQ(0600u, file.st_mode & 0777);
    EXPECT_EQ(0700u, folder.st_mode & 0777);
}

TEST_F(MainWindow, ADamagedStoreNeverBreaksTheStart)
{
    Store("nDomains", -4);
    Store("nLastUsedDomain", 9);
    Store("nXposition", -30000);
    Store("nYposition", 40000);
    Open();
    EXPECT_EQ(PLACEHOLDER_SITE, ComboItems());
    EXPECT_EQ(0, window->currentSite);
    EXPECT_EQ(wxPoint(0, 0), window->GetPosition());
}

// One past the last index is the first index a check with > instead of >=
// lets through, to a record that is not there.
TEST_F(MainWindow, ALastUsedIndexOfExactlyTheItemCountSelectsTheFirstItem)
{
    Store("nDomains", 2);
    Store("domainStr_0", SiteRecord("zeta.example"));
    Store("domainStr_1", SiteRecord("alpha.example", "bob"));
    Store("nLastUsedDomain", 3);
    Open();
    EXPECT_EQ(0, window->currentSite);
    EXPECT_EQ(0, Combo().GetSelection());
    EXPECT_EQ(PLACEHOLDER_SITE, ToUtf8(Combo().GetValue()));
    EXPECT_EQ("anonymous", ControlText(IDC_USER));
}

TEST_F(MainWindow, AtStartTheFocusIsOnLoginTheFirstTabStop)
{
    Open();
    ASSERT_TRUE(PumpUntil([&] { return window->IsActive(); }));
    EXPECT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == window->FindWindow(IDC_LOGIN); }, 5))
        << "the focus is on " << (wxWindow::FindFocus() ? wxWindow::FindFocus()->GetId() : 0);
}

TEST_F(MainWindow, AnUnreadableStoreGivesTheDefaults)
{
    // A folder where the file should be cannot be read, not even by root.
    std::filesystem::create_directories(SettingsStore::FilePath());
    Open();
    EXPECT_EQ(PLACEHOLDER_SITE, ComboItems());
    EXPECT_EQ("anonymous", ControlText(IDC_USER));
}

TEST_F(MainWindow, ASettingsFolderThatCannotBeWrittenIsReportedAtClose)
{
    Open();
    // A file where the vendor folder should be: nothing can be written.
    std::filesystem::remove_all(configHome + "/Quillmarsh");
    FILE* blocker = fopen((configHome + "/Quillmarsh").c_str(), "w");
    ASSERT_NE(nullptr, blocker);
    fclose(blocker);
    wxTEST_DIALOG(window->SaveSettingsAndClose(),
                  wxExpectModal<wxMessageDialog>(wxID_OK).Describe("the settings could not be saved"));
    EXPECT_FALSE(window->IsShown());
}

} // namespace

namespace {

TEST_F(MainWindow, ADoubleQuoteInAFieldIsRefusedAndNeverStored)
{
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("ftp.example"));
    Store("nLastUsedDomain", 1);
    Open();
    TypeInto(IDC_PSWD, "pa\"ss");
    wxTEST_DIALOG(window->OnLogin(),
                  ExpectMessageBox("The Pswd box holds a double quote (\"), which a saved site cannot keep.\n\n"
                                   "Please remove it and Login again.",
                                   "Login", wxICON_WARNING));
    EXPECT_FALSE(window->session);
    // The item keeps the record it had; the shifted one is never written.
    EXPECT_EQ(SiteRecord("ftp.example"), CloseAndReread().GetProfileString("domainStr_0", ""));
}

} // namespace

namespace {

TEST_F(MainWindow, OpeningTheSiteListWhileLoggedInShowsTheNoticeOnce)
{
    Open();
    window->OnDropdownDomain();  // logged out: nothing is posted
    PumpEvents();
    window->session = std::make_unique<CFtpSession>();
    window->OnDropdownDomain();
    wxTEST_DIALOG(PumpEvents(), ExpectMessageBox("Can't change Sites.\n\nPlease logout first!",
                                                 "Connected to Server", wxICON_WARNING));
    EXPECT_EQ(0, Combo().GetSelection());
    window->session.reset();
}

TEST_F(MainWindow, HideMasksThePasswordAtOnceAndKeepsItsValue)
{
    Open();
    TypeInto(IDC_PSWD, "visible");
    static_cast<wxCheckBox*>(window->FindWindow(IDC_HIDE))->SetValue(true);
    window->OnHidePassword();
    EXPECT_TRUE(PasswordMasked());
    EXPECT_EQ("visible", window->password);
    static_cast<wxCheckBox*>(window->FindWindow(IDC_HIDE))->SetValue(false);
    window->OnHidePassword();
    EXPECT_FALSE(PasswordMasked());
    EXPECT_EQ(0, CloseAndReread().GetProfileInt("bHidePswd", -1));
}

} // namespace

namespace {

TEST_F(MainWindow, AHugeOrOverflowingSiteCountNeverHangsTheStart)
{
    Store("nDomains", 1000000000);
    Store("domainStr_0", SiteRecord("zeta.example"));
    Store("domainStr_1", SiteRecord("alpha.example"));
    Open();
    EXPECT_EQ(std::string(PLACEHOLDER_SITE) + "|alpha.example|zeta.example", ComboItems());
    CloseAndReread();

    // A number that does not fit an int reads as the default, not wrapped.
    std::string error;
    before->WriteProfileString("nDomains", "99999999999");
    before->WriteProfileString("nLastUsedDomain", "4294967297");
    ASSERT_TRUE(before->Flush(error)) << error;
    SettingsStore store;
    EXPECT_EQ(0, store.GetProfileInt("nDomains", 0));
    EXPECT_EQ(7, store.GetProfileInt("nLastUsedDomain", 7));
}

} // namespace
