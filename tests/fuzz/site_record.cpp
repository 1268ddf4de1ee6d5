// Site record texts as a hand-edited or damaged settings file holds them.
#include "FuzzCheck.h"

#include "sites/SiteProfile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string record(reinterpret_cast<const char*>(data), size);
    const SiteProfile site = LoadSiteRecord(record);
    FUZZ_CHECK(RecordDomain(record) == site.domain);
    FUZZ_CHECK(RecordUser(record) == site.userName);
    FUZZ_CHECK(site.port == ParseLeadingInt(std::to_string(site.port)));
    const std::string host = HostFromSiteName(site.domain);
    FUZZ_CHECK(host.size() <= site.domain.size());
    // Fields read out of a record never hold a quote, so they write back
    // into a record that reads the same.
    FUZZ_CHECK(FieldHoldingQuote(site).empty());
    FUZZ_CHECK(LoadSiteRecord(FormatSiteRecord(site)) == site);
    return 0;
}
