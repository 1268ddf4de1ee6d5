// A text-extension list as the settings keep it, and the Auto-mode decision
// for a path made of the input's tail.
#include "FuzzCheck.h"

#include "transfer/TransferRules.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string list = input.substr(0, split);
    const std::string path = split == std::string::npos ? std::string() : input.substr(split + 1);
    std::size_t total = 0;
    for (const std::string& entry : ReadExtList(list)) {
        FUZZ_CHECK(entry.find(' ') == std::string::npos);
        total += entry.size() + 1;
    }
    FUZZ_CHECK(total <= list.size());
    const TransferType type = GetTransferType(TRANSFER_MODE_AUTO, list, path);
    FUZZ_CHECK(type == FTP_TRANSFER_TYPE_ASCII || type == FTP_TRANSFER_TYPE_BINARY);
    FUZZ_CHECK(GetTransferType(TRANSFER_MODE_ASCII, list, path) == FTP_TRANSFER_TYPE_ASCII);
    FUZZ_CHECK(GetTransferType(TRANSFER_MODE_BINARY, list, path) == FTP_TRANSFER_TYPE_BINARY);
    return 0;
}
