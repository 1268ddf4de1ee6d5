#pragma once
#include <cstdint>
#include <ctime>
#include <string>

enum class FtpEntryKind { File, Directory, Link, Other };

// One entry of a directory listing as the parsers read it.
struct FtpListEntry {
    std::string name;            // bytes as the server sent them
    FtpEntryKind kind = FtpEntryKind::File;
    std::uint64_t size = 0;
    std::time_t modified = 0;    // seconds since 1970, UTC
};
