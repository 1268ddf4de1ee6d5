// The settings file as a user's editor or a crash may leave it, read through
// wxFileConfig's parser from memory the way the main window reads the file at
// start-up (every entry with its default, every site record).
#include "FuzzCheck.h"

#include "app/SettingsStore.h"
#include "platform/Text.h"
#include "sites/SiteProfile.h"
#include "transfer/TransferRules.h"

#include <wx/init.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// More records than this only repeat the same reading; a huge nDomains
// would make each run slow instead of finding anything.
constexpr int maxRecordsRead = 64;

void ReadSiteRecords(const SettingsStore& store)
{
    const int count = std::min(store.GetProfileInt("nDomains", 0), store.IndexedEntryLimit("domainStr_"));
    for (int i = 0; i < count && i < maxRecordsRead; ++i) {
        const std::string record = store.GetProfileString("domainStr_" + std::to_string(i), PlaceholderRecord());
        const SiteProfile site = LoadSiteRecord(record);
        FUZZ_CHECK(RecordDomain(record) == site.domain);
        HostFromSiteName(site.domain);
    }
}

// Whatever text a value holds ('$' in a password, say), the store hands
// back what was put in. Bytes that are not UTF-8 are shown as Latin-1 by
// design, so only what survives that conversion can come back unchanged.
void CheckKeptAsWritten(SettingsStore& store, const std::string& value)
{
    if (ToUtf8(FromUtf8(value)) != value)
        return;
    store.WriteProfileString("fuzzProbe", value);
    FUZZ_CHECK(store.GetProfileString("fuzzProbe", "") == value);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer wx;
    FUZZ_CHECK(wx.IsOk());
    // At start-up a wx assertion is a box in front of the window, so here it
    // is a finding: stop and keep the input. (The parse itself silences the
    // ones it expects from damaged lines.)
    wxSetAssertHandler([](const wxString&, int, const wxString&, const wxString&, const wxString&) { std::abort(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SettingsStore store(std::string(reinterpret_cast<const char*>(data), size));
    ReadSiteRecords(store);
    store.GetProfileInt("nLastUsedDomain", 0);
    store.GetProfileInt("nAsciiBinaryAuto", 0);
    store.GetProfileInt("bHidePswd", 0);
    store.GetProfileInt("nXposition", 0);
    store.GetProfileInt("nYposition", 0);
    store.GetProfileInt("nNameColWidth", 470);
    store.GetProfileInt("nSizeColWidth", 80);
    store.GetProfileInt("nTimeColWidth", 210);
    ReadExtList(store.GetProfileString("asciiFileExt", "txt html "));
    CheckKeptAsWritten(store, store.GetProfileString("openTextPathStr", "notepad.exe"));
    CheckKeptAsWritten(store, store.GetProfileString("openGraphicsPathStr", "mspaint.exe"));
    store.GetProfileString("openBrowserPathStr", "iexplore.exe");
    return 0;
}
