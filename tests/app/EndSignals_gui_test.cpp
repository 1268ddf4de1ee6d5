// A polite end from outside is a close: the signal reaches the window's
// thread through the handover, a running transfer is aborted, the session
// logged out, the site stored and the Open In folder removed.
#include "platform/CloseSignals.h"
#include "sites/SiteProfile.h"
#include "support/PyFtpServer.h"
#include "support/TransferWindowFixture.h"
#include "ftp/RemoteWindowFixture.h"

#include <glib.h>

#include <csignal>
#include <filesystem>
#include <string>

namespace {

class EndSignals : public RemoteWindowFixture {};

TEST_F(EndSignals, EachPoliteSignalLogsOutStoresTheSiteAndRemovesTheOpenInFolder)
{
    PyFtpServer server;
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        const std::string site = "127.0.0.1 signal " + std::to_string(signalNumber);
        EnterSite(site, server.Port(), PyFtpServer::User, PyFtpServer::Password);
        window->OnLogin();
        ASSERT_TRUE(LoggedIn()) << site;
        const std::string openInFolder = window->viewerTempDir.Path();
        ASSERT_TRUE(std::filesystem::is_directory(openInFolder));
        {
            const CloseSignals closeOnSignal([this] { window->OnEndSignal(); });
            raise(signalNumber);
            EXPECT_TRUE(PumpUntil([&] { return !window->IsShown(); })) << site;
        }
        EXPECT_FALSE(LoggedIn());
        EXPECT_FALSE(std::filesystem::exists(openInFolder)) << site;
        const SettingsStore store;
        EXPECT_EQ(site, RecordDomain(store.GetProfileString("domainStr_0", ""))) << "the sites: nDomains "
                                                                                 << store.GetProfileInt("nDomains", 0);
        EXPECT_EQ(1, store.GetProfileInt("nLastUsedDomain", -1));
        window.reset();
        PumpEvents();
        std::filesystem::remove(SettingsStore::FilePath());
    }
}

gboolean RaiseSigterm(gpointer)
{
    raise(SIGTERM);
    return G_SOURCE_REMOVE;
}

// A question left open must not keep the program running: the box is
// answered Cancel (the site stays), then the window closes.
TEST_F(EndSignals, ASignalWhileAQuestionIsOpenAnswersItCancelAndCloses)
{
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("kept.example"));
    Store("nLastUsedDomain", 1);
    Open();
    const CloseSignals closeOnSignal([this] { window->OnEndSignal(); });
    g_timeout_add(300, RaiseSigterm, nullptr);
    window->OnRemove();  // the real box, until the signal answers it
    EXPECT_EQ("*|kept.example", ComboItems().replace(0, sizeof PLACEHOLDER_SITE - 1, "*"));
    EXPECT_TRUE(PumpUntil([&] { return !window->IsShown(); }));
    EXPECT_EQ(SiteRecord("kept.example"), SettingsStore().GetProfileString("domainStr_0", ""));
}

// Where the close box would refuse, a signal aborts the transfer and closes.
TEST_F(ScriptedTransfer, ASignalDuringATransferAbortsItAndCloses)
{
    Attach({ListEntry{LIST_KIND_FILE, "big.bin", 100000, 0}});
    StartStalledDownload(15);
    {
        const CloseSignals closeOnSignal([this] { window->OnEndSignal(); });
        raise(SIGTERM);
        EXPECT_TRUE(PumpUntil([&] { return !window->IsShown(); }));
    }
    EXPECT_FALSE(window->session);
    EXPECT_TRUE(Idle());
    EXPECT_EQ("Download  big.bin  Aborted", BarText());
    EXPECT_EQ(5000u, std::filesystem::file_size(Local("big.bin"))) << "the part stays";
    EXPECT_EQ(1, SettingsStore().GetProfileInt("nAsciiBinaryAuto", -1)) << "the settings were written";
}

} // namespace
