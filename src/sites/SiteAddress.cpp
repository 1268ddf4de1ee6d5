#include "sites/SiteAddress.h"

#include "platform/TextCase.h"
#include "sites/SiteProfile.h"

namespace {

struct Scheme {
    const char* prefix;
    TlsPolicy tls;
    RemoteProtocol protocol;
};

constexpr Scheme kSchemes[] = {
    {"ftpes://", TlsPolicy::Demanded, RemoteProtocol::Ftp},
    {"ftps://", TlsPolicy::Implicit, RemoteProtocol::Ftp},
    {"sftp://", TlsPolicy::WhenOffered, RemoteProtocol::Sftp},
    {"ftp://", TlsPolicy::Declined, RemoteProtocol::Ftp},
};

}  // namespace

SiteAddress ParseSiteAddress(const std::string& host)
{
    for (const Scheme& scheme : kSchemes) {
        const std::string prefix = scheme.prefix;
        if (!StartsWithNoCase(host, prefix))
            continue;
        std::string rest = host.substr(prefix.size());
        rest = rest.substr(0, rest.find('/'));
        if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']')
            rest = rest.substr(1, rest.size() - 2);
        return SiteAddress{rest, scheme.tls, scheme.protocol};
    }
    return SiteAddress{host};  // no scheme: the text is the host, as it always was
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
