#include "transfer/TransferRules.h"

#include <algorithm>

namespace {

// The extension buffer of the path splitter holds 256 characters and its end
// mark; longer extensions are cut there.
constexpr std::size_t kMaxExtension = 256;

} // namespace

std::vector<std::string> ReadExtList(const std::string& text)
{
    std::vector<std::string> entries;
    std::size_t start = 0;
    std::size_t space = text.find(' ');
    while (space != std::string::npos && space > 0) {
        entries.push_back(text.substr(start, space - start));
        start = space + 1;
        space = text.find(' ', start);
    }
    return entries;
}

std::string PathExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return "";
    return path.substr(dot + 1, kMaxExtension - 1);
}

TransferType GetTransferType(int transferMode, const std::string& asciiExtList, const std::string& path)
{
    if (transferMode == TRANSFER_MODE_ASCII)
        return FTP_TRANSFER_TYPE_ASCII;
    if (transferMode == TRANSFER_MODE_BINARY)
        return FTP_TRANSFER_TYPE_BINARY;
    const std::string extension = PathExtension(path);
    for (const std::string& entry : ReadExtList(asciiExtList)) {
        if (EqualsNoCase(extension, entry))
            return FTP_TRANSFER_TYPE_ASCII;
    }
    return FTP_TRANSFER_TYPE_BINARY;
}
