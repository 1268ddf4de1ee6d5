#include "app/TrustedCertificates.h"

#include "app/SettingsStore.h"
#include "platform/AtomicFile.h"

#include <fstream>
#include <sstream>
#include <utility>

namespace {

// "host port fingerprint": hosts hold no blanks (the Domain box's host ends
// at the first one), fingerprints are hex pairs and colons.
std::string Line(const std::string& host, std::uint16_t port, const std::string& fingerprint)
{
    return host + " " + std::to_string(port) + " " + fingerprint + "\n";
}

}  // namespace

TrustedCertificates::TrustedCertificates() : TrustedCertificates(SettingsStore::Folder() + "/Trusted certificates") {}

TrustedCertificates::TrustedCertificates(std::string path) : path(std::move(path)) {}

std::string TrustedCertificates::Find(const std::string& host, std::uint16_t port) const
{
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        unsigned number = 0;
        std::string fingerprint;
        if (fields >> name >> number >> fingerprint && name == host && number == port)
            return fingerprint;
    }
    return {};
}

bool TrustedCertificates::Remember(const std::string& host, std::uint16_t port, const std::string& fingerprint,
                                   std::string& error)
{
    if (path.rfind(SettingsStore::Folder() + "/", 0) == 0 && !SettingsStore::MakeFolder(error))
        return false;
    const std::string prefix = host + " " + std::to_string(port) + " ";
    std::string kept;
    {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(prefix, 0) != 0 && !line.empty())
                kept += line + "\n";
    }
    kept += Line(host, port, fingerprint);
    return AtomicFile::Write(path, kept, error);
}
