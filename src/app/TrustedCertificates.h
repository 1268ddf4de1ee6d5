#pragma once
#include <cstdint>
#include <string>

// Server certificates the user chose to trust although they did not verify,
// one SHA-256 fingerprint per host and port, in a file of their own in the
// settings folder ("Trusted certificates", 0600), read and written whole at
// each use so two windows never undo each other's answers.
class TrustedCertificates {
public:
    // The file in the settings folder.
    TrustedCertificates();
    explicit TrustedCertificates(std::string path);

    // The trusted fingerprint, or empty.
    std::string Find(const std::string& host, std::uint16_t port) const;
    // Replaces any fingerprint remembered for host and port; on failure
    // `error` says why.
    bool Remember(const std::string& host, std::uint16_t port, const std::string& fingerprint, std::string& error);

private:
    std::string path;
};
