// Two windows on one settings store, each logging in to a site of its own
// and removing another, closed in either order: the store keeps what both
// did.
#include "app/ControlIds.h"
#include "platform/Text.h"
#include "sites/SiteProfile.h"
#include "support/GuiTestHelpers.h"
#include "support/MainWindowFixture.h"
#include "support/PyFtpServer.h"

#include <wx/combobox.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

class TwoWindows : public MainWindowFixture {
protected:
    static std::unique_ptr<CFtpClientDlg> OpenWindow()
    {
        auto opened = std::make_unique<CFtpClientDlg>(nullptr);
        opened->Show();
        PumpEvents();
        return opened;
    }

    static void Type(CFtpClientDlg& dlg, int id, const std::string& text)
    {
        static_cast<wxTextCtrl*>(dlg.FindWindow(id))->ChangeValue(FromUtf8(text));
    }

    // A new site name typed over the current one, and a real login with it.
    void LogIn(CFtpClientDlg& dlg, const std::string& siteName, const std::string& pswd)
    {
        dlg.domainCombo->ChangeValue(FromUtf8(siteName));
        Type(dlg, IDC_USER, PyFtpServer::User);
        Type(dlg, IDC_PSWD, pswd);
        Type(dlg, IDC_PORT, std::to_string(server.Port()));
        Type(dlg, IDC_PWD, "/");
        dlg.OnLogin();
        ASSERT_TRUE(dlg.session) << siteName;
    }

    static void Remove(CFtpClientDlg& dlg, const std::string& siteName)
    {
        dlg.domainCombo->SetSelection(dlg.domainCombo->FindString(FromUtf8(siteName)));
        dlg.OnSelchangeDomain();
        wxTEST_DIALOG(dlg.OnRemove(), ExpectMessageBox("Remove\n\"" + siteName + "\"\nfrom Vantrel?", "Remove Domain",
                                                       wxICON_QUESTION, wxID_YES));
    }

    static std::string StoredSites(const SettingsStore& store)
    {
        std::string sites;
        for (int i = 0; i < store.GetProfileInt("nDomains", 0); ++i) {
            const SiteProfile site = LoadSiteRecord(store.GetProfileString("domainStr_" + std::to_string(i), ""));
            sites += (i ? "|" : "") + site.domain + " " + site.password;
        }
        return sites;
    }

    PyFtpServer server;
};

TEST_F(TwoWindows, BothWindowsSitesAndRemovalsSurviveEitherClosingOrder)
{
    for (const bool firstClosesFirst : {true, false}) {
        Store("nDomains", 3);
        Store("domainStr_0", SiteRecord("kept.example"));
        Store("domainStr_1", SiteRecord("gone-first.example"));
        Store("domainStr_2", SiteRecord("gone-second.example"));
        Open();  // writes the store; the fixture's own window stays aside
        std::unique_ptr<CFtpClientDlg> first = OpenWindow();
        std::unique_ptr<CFtpClientDlg> second = OpenWindow();
        Remove(*first, "gone-first.example");
        Remove(*second, "gone-second.example");
        LogIn(*first, "127.0.0.1 first", "secret");
        LogIn(*second, "127.0.0.1 second", "secret");

        CFtpClientDlg& lastToClose = firstClosesFirst ? *second : *first;
        (firstClosesFirst ? first : second)->SaveSettingsAndClose();
        lastToClose.SaveSettingsAndClose();

        const SettingsStore store;
        EXPECT_EQ("127.0.0.1 first secret|127.0.0.1 second secret|kept.example pw", StoredSites(store))
            << (firstClosesFirst ? "first" : "second") << " closed first";
        // The last window to close names its own site, counted in the list
        // the next start shows (the placeholder first).
        EXPECT_EQ(firstClosesFirst ? 2 : 1, store.GetProfileInt("nLastUsedDomain", -1));
        EXPECT_EQ(3, store.IndexedEntryLimit("domainStr_")) << "the removed sites' records left the file";

        first.reset();
        second.reset();
        window.reset();
        PumpEvents();
        std::filesystem::remove(SettingsStore::FilePath());
        before = std::make_unique<SettingsStore>();
    }
}

} // namespace
