#pragma once
#include <cstdint>
#include <string>

// One line of text per host and port, in a file of its own (0600), read
// and written whole at each use, so two windows never undo each other's
// answers. Hosts hold no blanks (the Domain box's host ends at the first
// one); the text is the rest of the line.
class HostPortFile {
public:
    explicit HostPortFile(std::string path);

    // The text kept for host and port, or empty.
    std::string Find(const std::string& host, std::uint16_t port) const;
    // Replaces any text kept for host and port; on failure `error` says why.
    bool Remember(const std::string& host, std::uint16_t port, const std::string& text, std::string& error);
    bool Forget(const std::string& host, std::uint16_t port, std::string& error);

private:
    // The file without host and port's line, and `line` after it unless empty.
    bool Replace(const std::string& host, std::uint16_t port, const std::string& line, std::string& error);

    std::string path;
};

// What the engine noted of each server at its last login (whether it spoke
// TLS, the data mode that worked, what FEAT listed), per host and port, in
// "Site memory" in the settings folder: never part of a site's record, so
// the stored records keep their form.
HostPortFile SiteMemory();

// Server certificates the user chose to trust although they did not verify,
// one SHA-256 fingerprint per host and port, in "Trusted certificates" in the
// settings folder.
HostPortFile TrustedCertificates();
