// The settings file as a user's editor or a crash may leave it: written as
// the real file in a private XDG_CONFIG_HOME, read the way the main window
// reads it at start-up (every entry with its default, every site record).
#include "FuzzCheck.h"

#include "app/SettingsStore.h"
#include "sites/SiteProfile.h"
#include "transfer/TransferRules.h"

#include <wx/init.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// More records than this only repeat the same reading; a huge nDomains
// would make each run slow instead of finding anything.
constexpr int maxRecordsRead = 64;

void WriteSettingsFile(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(SettingsStore::FilePath().c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);
}

void ReadSiteRecords(const SettingsStore& store)
{
    const int count = store.GetProfileInt("nDomains", 0);
    for (int i = 0; i < count && i < maxRecordsRead; ++i) {
        const std::string record = store.GetProfileString("domainStr_" + std::to_string(i), PlaceholderRecord());
        const SiteProfile site = LoadSiteRecord(record);
        FUZZ_CHECK(RecordDomain(record) == site.domain);
        HostFromSiteName(site.domain);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer wx;
    FUZZ_CHECK(wx.IsOk());
    char folder[] = "/tmp/vantrel-fuzz-settings-XXXXXX";
    FUZZ_CHECK(mkdtemp(folder) != nullptr);
    setenv("XDG_CONFIG_HOME", folder, 1);
    std::string error;
    SettingsStore().Flush(error);  // creates the vendor folder
    FUZZ_CHECK(error.empty());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteSettingsFile(data, size);
    const SettingsStore store;
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
    store.GetProfileString("openTextPathStr", "notepad.exe");
    store.GetProfileString("openGraphicsPathStr", "mspaint.exe");
    store.GetProfileString("openBrowserPathStr", "iexplore.exe");
    return 0;
}
