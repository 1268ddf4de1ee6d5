// Two windows on one settings store: what each added, changed or removed
// survives the other's close, and the stored list keeps the box's order.
#include "sites/SiteProfile.h"
#include "sites/SiteRecordMerge.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// "name:user:pswd" for each record, the other fields plain.
std::vector<std::string> Records(const std::string& sites)
{
    std::vector<std::string> records;
    std::istringstream list(sites);
    std::string site;
    while (list >> site) {
        SiteProfile profile{site.substr(0, site.find(':')), "anna", "pw", "/", 21, "", "/", "/"};
        const std::size_t user = site.find(':');
        if (user != std::string::npos) {
            const std::size_t pswd = site.find(':', user + 1);
            profile.userName = site.substr(user + 1, pswd - user - 1);
            if (pswd != std::string::npos)
                profile.password = site.substr(pswd + 1);
        }
        records.push_back(FormatSiteRecord(profile));
    }
    return records;
}

std::string Sites(const std::vector<std::string>& records)
{
    std::string sites;
    for (const std::string& record : records) {
        const SiteProfile profile = LoadSiteRecord(record);
        sites += (sites.empty() ? "" : " ") + profile.domain + ":" + profile.userName + ":" + profile.password;
    }
    return sites;
}

TEST(MergeSiteRecords, EachWindowsAddsChangesAndRemovesSurviveTheOthers)
{
    const struct {
        const char* what;
        const char* atStart;
        const char* atClose;
        const char* inStore;
        const char* expected;
    } cases[] = {
        {"another window added a site", "a", "a", "a z", "a:anna:pw z:anna:pw"},
        {"another window removed a site", "a z", "a z", "a", "a:anna:pw"},
        {"another window changed a site", "a", "a", "a:anna:new", "a:anna:new"},
        {"this window changed a site", "a z", "a:anna:mine z", "a z", "a:anna:mine z:anna:pw"},
        {"both changed one site: this window's wins", "a", "a:anna:mine", "a:anna:theirs", "a:anna:mine"},
        {"this window removed what the other changed", "a z", "z", "a:anna:theirs z", "z:anna:pw"},
        {"both added", "m", "m b", "m y", "b:anna:pw m:anna:pw y:anna:pw"},
        {"both removed", "a b c", "b c", "a b", "b:anna:pw"},
        {"this window changed the user", "a", "a:bob", "a", "a:bob:pw"},
        {"two users of one site are two sites; of equal names the other window's come first", "a a:bob",
         "a:anna:mine a:bob", "a a:bob:theirs", "a:bob:theirs a:anna:mine"},
        {"sorted ignoring case, equal names in the given order", "", "B a:x a:y", "", "a:x:pw a:y:pw B:anna:pw"},
        {"first start, nothing stored yet", "", "", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Sites(MergeSiteRecords(Records(c.atStart), Records(c.atClose), Records(c.inStore))))
            << c.what;
}

TEST(MergeSiteRecords, RecordsCarryingThePlaceholderNameAreNeverStored)
{
    std::vector<std::string> atClose = Records("a");
    atClose.push_back(PlaceholderRecord());
    std::vector<std::string> inStore = Records("z");
    inStore.push_back(FormatSiteRecord(SiteProfile{"y", PLACEHOLDER_SITE, "", "/", 21, "", "/", "/"}));
    EXPECT_EQ("a:anna:pw z:anna:pw", Sites(MergeSiteRecords({}, atClose, inStore)));
}

TEST(IndexAtNextStart, CountsThePlaceholderAndFindsTheSiteInEitherVersion)
{
    const std::vector<std::string> stored = Records("!first a:anna:theirs b");
    const struct {
        const char* what;
        std::string current;
        int expected;
    } cases[] = {
        {"the same record, after the placeholder", Records("b")[0], 3},
        {"before the placeholder", Records("!first")[0], 0},
        {"another window's version of the site", Records("a:anna:mine")[0], 2},
        {"the placeholder itself", PlaceholderRecord(), 1},
        {"a site no longer stored", Records("gone")[0], 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, IndexAtNextStart(stored, c.current)) << c.what;
}

} // namespace
