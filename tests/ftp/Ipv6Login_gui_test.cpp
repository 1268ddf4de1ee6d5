// IPv6 through the real main window: the Domain box holding the literal ::1
// or a name that resolves to ::1 only, against pyftpdlib listening on ::1,
// with a server that allows active data connections only and one that
// allows passive ones only.
// The name comes from the test's own hosts file through nss_wrapper, which
// the test's CTest entry preloads.
#include "ftp/RemoteWindowFixture.h"

#include "support/PyFtpServer.h"
#include "support/TransferWindowFixture.h"

#include <wx/combobox.h>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <memory>

namespace {

const char* const kIpv6OnlyName = "v6only.test";

using Ipv6Login = TransferFixture<RemoteWindowFixture>;

// The families `name` resolves to, as the engine's resolver sees them.
std::pair<bool, bool> ResolvedFamilies(const char* name)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, "21", &hints, &found) != 0)
        return {false, false};
    bool v4 = false;
    bool v6 = false;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        v4 = v4 || entry->ai_family == AF_INET;
        v6 = v6 || entry->ai_family == AF_INET6;
    }
    freeaddrinfo(found);
    return {v4, v6};
}

TEST_F(Ipv6Login, LiteralAndIpv6OnlyNameLogInListAndDownloadInBothModes)
{
    ASSERT_EQ(ResolvedFamilies(kIpv6OnlyName), std::make_pair(false, true))
        << kIpv6OnlyName << " must resolve to ::1 only: run this test through ctest, which preloads nss_wrapper";

    // Each server allows one mode only, so a mode that fails on IPv6 cannot
    // hide behind the silent fallback to the other.
    enum class OnlyMode { Active, Passive };
    struct Case {
        const char* domain;
        OnlyMode mode;
    };
    const Case cases[] = {
        {"::1", OnlyMode::Active},
        {"::1", OnlyMode::Passive},
        {kIpv6OnlyName, OnlyMode::Active},
        {kIpv6OnlyName, OnlyMode::Passive},
    };
    const std::string contents = RandomBytes(300000, 6);
    for (const Case& c : cases) {
        const bool passive = c.mode == OnlyMode::Passive;
        SCOPED_TRACE(std::string(c.domain) + (passive ? ", passive only" : ", active only"));
        PyFtpServer server(
            PyFtpServer::Options{.host = "::1", .activeRefused = passive, .passiveRefused = !passive});
        server.MakeDirectory("docs");
        server.WriteFile("data.bin", contents);
        EnterSite(c.domain, server.Port(), PyFtpServer::User, PyFtpServer::Password);
        {
            FailOnAnyDialog strict;
            window->OnLogin();
        }
        ASSERT_TRUE(LoggedIn());
        EXPECT_EQ(" " + std::string(c.domain) + " - Vantrel", ToUtf8(window->GetTitle()));
        EXPECT_EQ((std::vector<std::string>{"docs", "data.bin"}), Names());

        const std::string local = Local(std::string(c.domain) + (passive ? "-passive" : "-active"));
        ChooseMode(IDC_BINARY);
        Download("data.bin", local);
        EXPECT_EQ(contents, ReadLocal(local));
        EXPECT_EQ(c.domain, ToUtf8(window->domainCombo->GetValue()));

        FailOnAnyDialog strict;
        window->OnLogout();
        ASSERT_FALSE(LoggedIn());
    }
}

}  // namespace
