#pragma once
// A test's remote files, through the connection as the window calls it:
// the listing by name, and whole files read or written in one call.
#include "platform/FtpConnection.h"
#include "platform/InternetFile.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

inline std::map<std::string, FtpListEntry> Listed(FtpConnection& connection)
{
    std::vector<FtpListEntry> entries;
    EXPECT_TRUE(connection.List(entries));
    std::map<std::string, FtpListEntry> byName;
    for (const FtpListEntry& entry : entries)
        byName[entry.name] = entry;
    return byName;
}

inline std::string Download(FtpConnection& connection, const std::string& name,
                            TransferType type = FTP_TRANSFER_TYPE_BINARY)
{
    auto file = connection.OpenFile(name, FileAccess::Read, type);
    if (!file)
        return "(not opened)";
    std::string contents;
    char buffer[65536];
    for (long n; (n = file->Read(buffer, sizeof buffer)) > 0;)
        contents.append(buffer, static_cast<std::size_t>(n));
    EXPECT_TRUE(file->Close());
    return contents;
}

inline bool Upload(FtpConnection& connection, const std::string& name, const std::string& contents)
{
    auto file = connection.OpenFile(name, FileAccess::Write, FTP_TRANSFER_TYPE_BINARY);
    return file && file->Write(contents.data(), contents.size()) && file->Close();
}
