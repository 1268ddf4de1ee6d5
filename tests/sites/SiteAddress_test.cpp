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
        {"sftp://host", "sftp://host", TlsPolicy::WhenOffered},
        {"::1", "::1", TlsPolicy::WhenOffered},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SiteAddress address = ParseSiteAddress(c.text);
        EXPECT_EQ(address.host, c.host);
        EXPECT_EQ(address.tls, c.tls);
    }
}

TEST(SiteAddress, OnlyTheNewSitesPortMeansTheSchemesOwn)
{
    EXPECT_EQ(LoginRequestFor("ftps://[::1] at work", 21, "u", "p").port, 990);
    EXPECT_EQ(LoginPort(ParseSiteAddress("ftps://h"), 21), 990);
    EXPECT_EQ(LoginPort(ParseSiteAddress("ftps://h"), 2121), 2121);
    EXPECT_EQ(LoginPort(ParseSiteAddress("ftpes://h"), 21), 21);
    EXPECT_EQ(LoginPort(ParseSiteAddress("h"), 21), 21);
}
