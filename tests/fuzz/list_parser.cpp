// LIST lines as a hostile server might send them, one line and whole replies.
#include "FuzzCheck.h"

#include "engine/FtpListParser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// 2024-06-15 12:00 UTC: a fixed "now" keeps every run reproducible.
constexpr std::time_t fixedNow = 1718452800;

void CheckEntry(const FtpListEntry& entry)
{
    FUZZ_CHECK(!entry.name.empty());
    FUZZ_CHECK(entry.name.find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto entry = ParseListLine(text, fixedNow))
        FUZZ_CHECK(entry->name.size() <= text.size());
    for (const FtpListEntry& entry : ParseListing(text, false, fixedNow))
        CheckEntry(entry);
    return 0;
}
