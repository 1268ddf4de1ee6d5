#pragma once
#include "engine/FtpListEntry.h"

#include <ctime>
#include <cstdint>
#include <string>
#include <vector>

class FtpConnection;

// Enumerates the connection's current directory, as CFtpFileFind does.
class FtpFileFind {
public:
    explicit FtpFileFind(FtpConnection& connection);

    // Fetches the listing afresh; true when it holds at least one entry.
    // False with the last error ERROR_NO_MORE_FILES is an empty directory;
    // any other last error says why the listing could not be had.
    bool FindFile();
    // Makes the next entry current; true while another entry follows it.
    bool FindNextFile();

    std::string GetFileName() const;
    bool IsDirectory() const;
    std::uint64_t GetLength() const;
    std::time_t GetLastWriteTime() const;

    void Close();

private:
    FtpConnection& connection;
    std::vector<FtpListEntry> entries;
    std::size_t next = 0;  // index of the entry FindNextFile makes current
};
