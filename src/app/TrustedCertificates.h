#pragma once
#include "app/HostPortFile.h"

#include <string>

// Server certificates the user chose to trust although they did not verify,
// one SHA-256 fingerprint per host and port, in "Trusted certificates" in the
// settings folder.
class TrustedCertificates : public HostPortFile {
public:
    TrustedCertificates();
    explicit TrustedCertificates(std::string path);
};
