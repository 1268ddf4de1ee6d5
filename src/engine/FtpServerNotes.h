#pragma once
#include "engine/DataModeRule.h"
#include "engine/FtpLogin.h"

#include <optional>
#include <string>

// What one login learned of a server, for the next login to the same host
// and port: whether it spoke TLS, the data-connection mode that worked and
// what its FEAT listed. The program keeps the text without reading it.
struct FtpServerNotes {
    bool spokeTls = false;
    std::optional<DataMode> mode;
    std::optional<FtpFeatures> features;
};

// "tls=1 mode=passive feat=+,mlsd,utf8,tls,size,xsha256"; empty notes for empty or foreign text.
FtpServerNotes ParseServerNotes(const std::string& text);
std::string FormatServerNotes(const FtpServerNotes& notes);
