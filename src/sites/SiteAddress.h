#pragma once
#include "engine/TlsTypes.h"

#include <string>

// What the Domain box's host names: "ftpes://host" demands TLS, a bare host
// (or "ftp://host") uses it when the server offers it. The host follows the
// scheme, up to a '/'; an IPv6 literal may stand in brackets. The port is
// always the Port box's.
struct SiteAddress {
    std::string host;
    TlsPolicy tls = TlsPolicy::WhenOffered;
};

SiteAddress ParseSiteAddress(const std::string& host);
