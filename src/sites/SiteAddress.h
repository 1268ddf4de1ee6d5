#pragma once
#include "engine/TlsTypes.h"

#include <string>

#include <cstdint>

// What the Domain box's host names: "ftpes://host" demands TLS, "ftps://host"
// speaks it from the first byte, "ftp://host" stays in clear, "sftp://host"
// speaks SFTP over SSH (the host may be a ~/.ssh/config alias), and a bare
// host uses TLS when the server offers it. The host follows the scheme, up
// to a '/'; an IPv6 literal may stand in brackets.
struct SiteAddress {
    std::string host;
    TlsPolicy tls = TlsPolicy::WhenOffered;
    RemoteProtocol protocol = RemoteProtocol::Ftp;
};

SiteAddress ParseSiteAddress(const std::string& host);

// The port a login goes to: the Port box's, except that a box left at the
// new site's 21 means the scheme's own port (990 for ftps://, 22 for sftp://).
std::uint16_t LoginPort(const SiteAddress& address, std::uint16_t portBox);

// The login request for a site as the window's boxes hold it: the Domain
// box's text (a site name), the Port box, User and Pswd.
FtpLoginRequest LoginRequestFor(const std::string& siteName, std::uint16_t portBox, const std::string& user,
                                const std::string& password);
