// MLSD lines ("fact=value;...; name") as a hostile server might send them.
#include "FuzzCheck.h"

#include "engine/FtpListParser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto entry = ParseMlsdLine(text))
        FUZZ_CHECK(entry->name.size() <= text.size());
    for (const FtpListEntry& entry : ParseListing(text, true, 0)) {
        FUZZ_CHECK(!entry.name.empty());
        FUZZ_CHECK(entry.name.find('\n') == std::string::npos);
    }
    return 0;
}
