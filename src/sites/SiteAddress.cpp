#include "sites/SiteAddress.h"

#include "sites/SiteProfile.h"

#include <strings.h>

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const std::string::size_type size = std::char_traits<char>::length(prefix);
    return text.size() >= size && ::strncasecmp(text.c_str(), prefix, size) == 0;
}

}  // namespace

SiteAddress ParseSiteAddress(const std::string& host)
{
    SiteAddress address;
    std::string rest = host;
    if (StartsWithNoCase(rest, "ftpes://")) {
        address.tls = TlsPolicy::Demanded;
        rest.erase(0, 8);
    } else if (StartsWithNoCase(rest, "ftps://")) {
        address.tls = TlsPolicy::Implicit;
        rest.erase(0, 7);
    } else if (StartsWithNoCase(rest, "sftp://")) {
        address.protocol = RemoteProtocol::Sftp;
        rest.erase(0, 7);
    } else if (StartsWithNoCase(rest, "ftp://")) {
        address.tls = TlsPolicy::Declined;
        rest.erase(0, 6);
    } else {
        address.host = host;  // no scheme: the text is the host, as it always was
        return address;
    }
    rest = rest.substr(0, rest.find('/'));
    if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']')
        rest = rest.substr(1, rest.size() - 2);
    address.host = rest;
    return address;
}

std::uint16_t LoginPort(const SiteAddress& address, std::uint16_t portBox)
{
    constexpr std::uint16_t newSitePort = 21;
    constexpr std::uint16_t implicitTlsPort = 990;
    constexpr std::uint16_t sshPort = 22;
    if (portBox != newSitePort)
        return portBox;
    if (address.protocol == RemoteProtocol::Sftp)
        return sshPort;
    return address.tls == TlsPolicy::Implicit ? implicitTlsPort : portBox;
}

FtpLoginRequest LoginRequestFor(const std::string& siteName, std::uint16_t portBox, const std::string& user,
                                const std::string& password)
{
    const SiteAddress address = ParseSiteAddress(HostFromSiteName(siteName));
    FtpLoginRequest request;
    request.host = address.host;
    request.port = LoginPort(address, portBox);
    request.user = user;
    request.password = password;
    request.tls = address.tls;
    request.protocol = address.protocol;
    return request;
}
