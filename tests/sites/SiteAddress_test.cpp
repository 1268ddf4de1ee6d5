#include "sites/SiteAddress.h"

#include <gtest/gtest.h>

TEST(SiteAddress, SchemeChoosesTlsAndTheHostFollowsIt)
{
    struct Case {
        const char* text;
        const char* host;
        TlsPolicy tls;
    };
    const Case cases[] = {
        {"ftp.example.org", "ftp.example.org", TlsPolicy::WhenOffered},
        {"ftpes://ftp.example.org", "ftp.example.org", TlsPolicy::Demanded},
        {"FTPES://Ftp.Example.org", "Ftp.Example.org", TlsPolicy::Demanded},
        {"ftp://ftp.example.org", "ftp.example.org", TlsPolicy::Declined},
        {"ftpes://ftp.example.org/pub/", "ftp.example.org", TlsPolicy::Demanded},
        {"ftpes://[::1]", "::1", TlsPolicy::Demanded},
        {"ftpes://::1", "::1", TlsPolicy::Demanded},
        {"ftpes://[fe80::1]/", "fe80::1", TlsPolicy::Demanded},
        {"ftpes://127.0.0.1", "127.0.0.1", TlsPolicy::Demanded},
        {"ftpes://", "", TlsPolicy::Demanded},
        {"ftps://ftp.example.org/", "ftp.example.org", TlsPolicy::Implicit},
        {"FTPS://[::1]", "::1", TlsPolicy::Implicit},
        // Not a scheme: left whole, as a host that will not resolve.
        {"ftpes:/host", "ftpes:/host", TlsPolicy::WhenOffered},
        {"sftp:/host", "sftp:/host", TlsPolicy::WhenOffered},
        {"::1", "::1", TlsPolicy::WhenOffered},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SiteAddress address = ParseSiteAddress(c.text);
        EXPECT_EQ(address.host, c.host);
        EXPECT_EQ(address.tls, c.tls);
    }
}

TEST(SiteAddress, SftpSchemeChoosesSshAndItsPort)
{
    struct Case {
        const char* text;
        const char* host;
        std::uint16_t portBox;
        std::uint16_t port;
    };
    const Case cases[] = {
        {"sftp://files.example.org", "files.example.org", 21, 22},
        {"SFTP://[::1]/home/", "::1", 21, 22},
        {"sftp://work-alias at the office", "work-alias", 2222, 2222},
        {"sftp://127.0.0.1", "127.0.0.1", 22, 22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const FtpLoginRequest request = LoginRequestFor(c.text, c.portBox, "u", "p");
        EXPECT_EQ(request.protocol, RemoteProtocol::Sftp);
        EXPECT_EQ(request.host, c.host);
        EXPECT_EQ(request.port, c.port);
    }
    EXPECT_EQ(LoginRequestFor("ftps://h", 21, "u", "p").protocol, RemoteProtocol::Ftp);
}

TEST(SiteAddress, OnlyTheNewSitesPortMeansTheSchemesOwn)
{
    EXPECT_EQ(LoginRequestFor("ftps://[::1] at work", 21, "u", "p").port, 990);
    EXPECT_EQ(LoginPort(ParseSiteAddress("ftps://h"), 21), 990);
    EXPECT_EQ(LoginPort(ParseSiteAddress("ftps://h"), 2121), 2121);
    EXPECT_EQ(LoginPort(ParseSiteAddress("ftpes://h"), 21), 21);
    EXPECT_EQ(LoginPort(ParseSiteAddress("h"), 21), 21);
}
