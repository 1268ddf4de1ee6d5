// Ten thousand saved sites: the box holds them all in the one sorted order,
// each item with its own record, and Remove and the close keep that order.
#include "app/ControlIds.h"
#include "platform/Text.h"
#include "platform/TextCase.h"
#include "sites/SiteProfile.h"
#include "support/GuiTestHelpers.h"
#include "support/MainWindowFixture.h"

#include <wx/combobox.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSites = 10000;

// Stored in no order and in both letter cases, so the start has to sort.
std::string NameAt(int stored)
{
    const int number = stored * 7919 % kSites;
    char name[32];
    std::snprintf(name, sizeof name, "%s-%05d.example", number % 2 ? "Site" : "site", number);
    return name;
}

class ManySites : public MainWindowFixture {};

TEST_F(ManySites, TenThousandSitesAreListedSortedWithTheirRecordsAndRemoveAndCloseKeepTheOrder)
{
    std::vector<std::string> expected;
    Store("nDomains", kSites);
    for (int i = 0; i < kSites; ++i) {
        Store("domainStr_" + std::to_string(i), SiteRecord(NameAt(i), "user" + std::to_string(i)));
        expected.push_back(NameAt(i));
    }
    std::sort(expected.begin(), expected.end(),
              [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
    Store("nLastUsedDomain", 5001);
    Open();

    const wxArrayString shown = Combo().GetStrings();
    ASSERT_EQ(static_cast<std::size_t>(kSites + 1), shown.size());
    EXPECT_EQ(PLACEHOLDER_SITE, ToUtf8(shown[0]));
    for (int item = 1; item <= kSites; ++item)
        ASSERT_EQ(expected[item - 1], ToUtf8(shown[item])) << "item " << item;

    // The selected item's record is its own: the user stored with that name.
    const auto userOf = [](const std::string& name) {
        for (int i = 0; i < kSites; ++i)
            if (NameAt(i) == name)
                return "user" + std::to_string(i);
        return std::string();
    };
    EXPECT_EQ(expected[5000], ToUtf8(Combo().GetValue()));
    EXPECT_EQ(userOf(expected[5000]), ControlText(IDC_USER));
    Combo().SetSelection(kSites);
    window->OnSelchangeDomain();
    EXPECT_EQ(userOf(expected[kSites - 1]), ControlText(IDC_USER));

    wxTEST_DIALOG(window->OnRemove(), ExpectMessageBox("Remove\n\"" + expected[kSites - 1] + "\"\nfrom Vantrel?",
                                                       "Remove Domain", wxICON_QUESTION, wxID_YES));
    expected.pop_back();
    EXPECT_EQ(static_cast<unsigned>(kSites), Combo().GetCount());

    SettingsStore& store = CloseAndReread();
    ASSERT_EQ(kSites - 1, store.GetProfileInt("nDomains", -1));
    for (int i = 0; i < kSites - 1; ++i)
        ASSERT_EQ(expected[i], RecordDomain(store.GetProfileString("domainStr_" + std::to_string(i), "")))
            << "record " << i;
    EXPECT_EQ(kSites - 1, store.IndexedEntryLimit("domainStr_")) << "the removed site's record left the file";
}

} // namespace
