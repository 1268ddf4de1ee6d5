// The site record's text form and its reading rule, edge case by edge case.
#include "platform/TextCase.h"
#include "sites/SiteProfile.h"

#include <gtest/gtest.h>

namespace {

SiteProfile Site(std::string domain, std::string user, std::string password, std::string dir, int port,
                 std::string file = "", std::string upFolder = "", std::string downFolder = "")
{
    return SiteProfile{domain, user, password, dir, port, file, upFolder, downFolder};
}

TEST(SiteRecord, QuoteFreeFieldsRoundTrip)
{
    const SiteProfile site = Site("ftp.example.org remark", "anna", "s3cret pass", "/pub/a b", 2121, "x.txt",
                                  "/home/anna/", "/tmp/");
    const std::string record = FormatSiteRecord(site);
    EXPECT_EQ("\"ftp.example.org remark\" \"anna\" \"s3cret pass\" \"/pub/a b\" \"2121\" \"x.txt\" \"/home/anna/\" "
              "\"/tmp/\"",
              record);
    EXPECT_EQ(site, LoadSiteRecord(record));
    EXPECT_EQ("ftp.example.org remark", RecordDomain(record));
    EXPECT_EQ("anna", RecordUser(record));
}

TEST(SiteRecord, PortsAreWrittenInFullAndReadLikeAtoi)
{
    EXPECT_EQ("\"\" \"\" \"\" \"\" \"70000\" \"\" \"\" \"\"", FormatSiteRecord(Site("", "", "", "", 70000)));
    EXPECT_EQ("\"\" \"\" \"\" \"\" \"-5\" \"\" \"\" \"\"", FormatSiteRecord(Site("", "", "", "", -5)));
    const std::pair<const char*, int> ports[] = {
        {" 21", 21}, {"21abc", 21}, {"abc", 0}, {"-5", -5}, {"+8", 8}, {"", 0}, {"99999999999", 2147483647},
    };
    for (const auto& [text, port] : ports)
        EXPECT_EQ(port, LoadSiteRecord("\"a\" \"b\" \"c\" \"d\" \"" + std::string(text) + "\"").port) << text;
}

TEST(SiteRecord, ThePlaceholderRecordReadsAsTheRuleGivesIt)
{
    const std::string record = PlaceholderRecord();
    EXPECT_EQ(std::string("\"") + PLACEHOLDER_SITE + "\" \"anonymous\" \"\" \"/\" \"21\"\\\\", record);
    EXPECT_EQ(Site(PLACEHOLDER_SITE, "anonymous", "", "/", 21, "", " ", " "), LoadSiteRecord(record));
}

TEST(SiteRecord, DamagedTextsReadByTheRuleWithoutFailing)
{
    EXPECT_EQ(Site("", "", "", "", 0), LoadSiteRecord(""));
    // More than eight fields: the rest is ignored.
    EXPECT_EQ(Site("1", "2", "3", "4", 5, "6", "7", "8"),
              LoadSiteRecord("\"1\" \"2\" \"3\" \"4\" \"5\" \"6\" \"7\" \"8\" \"9\" \"10\""));
    // A field whose closing quote is missing is empty, and reading starts
    // over from the beginning of the text.
    const SiteProfile cut = LoadSiteRecord("\"host\" \"us");
    EXPECT_EQ("host", cut.domain);
    EXPECT_EQ("", cut.userName);
    EXPECT_EQ("host", cut.password);
    EXPECT_EQ("", cut.workingDir);
    // No quote at all: no field finds its opening quote.
    EXPECT_EQ(Site("", "", "", "", 0), LoadSiteRecord("no quotes here"));
}

TEST(SiteRecord, AFieldHoldingAQuoteIsNamed)
{
    EXPECT_EQ("", FieldHoldingQuote(Site("h", "u", "p", "/", 21)));
    EXPECT_EQ("Pswd", FieldHoldingQuote(Site("h", "u", "pa\"ss", "/", 21)));
    EXPECT_EQ("Domain", FieldHoldingQuote(Site("h\"", "u\"", "p", "/", 21)));
    EXPECT_EQ("download folder", FieldHoldingQuote(Site("h", "u", "p", "/", 21, "", "", "/a\"b/")));
}

TEST(SiteName, TheHostIsCutFromTheSiteName)
{
    const std::pair<const char*, const char*> names[] = {
        {"ftp.example.org", "ftp.example.org"},
        {"  \t ftp.example.org my remark", "ftp.example.org"},
        {"host\tremark", "host"},
        {PLACEHOLDER_SITE, "*"},
        {"", ""},
        {"   ", ""},
    };
    for (const auto& [name, host] : names)
        EXPECT_EQ(host, HostFromSiteName(name)) << name;
}

TEST(SiteName, OneCaseInsensitiveOrderPutsThePlaceholderFirst)
{
    EXPECT_LT(CompareNoCase(PLACEHOLDER_SITE, "1.example"), 0);
    EXPECT_LT(CompareNoCase("alpha", "Beta"), 0);
    EXPECT_EQ(0, CompareNoCase("FTP.Example", "ftp.example"));
    EXPECT_LT(CompareNoCase("ftp", "ftp.example"), 0);
    EXPECT_TRUE(EqualsNoCase("* ENTER A NEW FTP DOMAIN *", PLACEHOLDER_SITE));
}

} // namespace
