#include "app/HostPortFile.h"

#include "app/SettingsStore.h"
#include "platform/AtomicFile.h"

#include <fstream>
#include <utility>

namespace {

std::string Key(const std::string& host, std::uint16_t port)
{
    return host + " " + std::to_string(port) + " ";
}

}  // namespace

HostPortFile::HostPortFile(std::string path) : path(std::move(path)) {}

std::string HostPortFile::Find(const std::string& host, std::uint16_t port) const
{
    const std::string key = Key(host, port);
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return line.substr(key.size());
    return {};
}

bool HostPortFile::Remember(const std::string& host, std::uint16_t port, const std::string& text, std::string& error)
{
    return Replace(host, port, Key(host, port) + text + "\n", error);
}

bool HostPortFile::Forget(const std::string& host, std::uint16_t port, std::string& error)
{
    return Find(host, port).empty() || Replace(host, port, {}, error);
}

bool HostPortFile::Replace(const std::string& host, std::uint16_t port, const std::string& line, std::string& error)
{
    if (path.rfind(SettingsStore::Folder() + "/", 0) == 0 && !SettingsStore::MakeFolder(error))
        return false;
    const std::string key = Key(host, port);
    std::string kept;
    {
        std::ifstream in(path);
        std::string other;
        while (std::getline(in, other))
            if (other.rfind(key, 0) != 0 && !other.empty())
                kept += other + "\n";
    }
    return AtomicFile::Write(path, kept + line, error);
}

HostPortFile SiteMemory()
{
    return HostPortFile(SettingsStore::Folder() + "/Site memory");
}

HostPortFile TrustedCertificates()
{
    return HostPortFile(SettingsStore::Folder() + "/Trusted certificates");
}
