#include "app/TrustedCertificates.h"

#include "app/SettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

bool WriteAll(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
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
    // A new file put in place whole: a failed write leaves the old one.
    const std::string fresh = path + ".new";
    ::unlink(fresh.c_str());
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "Cannot write " + fresh + ": " + std::strerror(errno);
        return false;
    }
    const bool written = WriteAll(fd, kept) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    ::close(fd);
    if (!written || std::rename(fresh.c_str(), path.c_str()) != 0) {
        error = "Cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
        ::unlink(fresh.c_str());
        return false;
    }
    return true;
}
