#include "app/TrustedCertificates.h"

#include "app/SettingsStore.h"

#include <utility>

TrustedCertificates::TrustedCertificates() : TrustedCertificates(SettingsStore::Folder() + "/Trusted certificates") {}

TrustedCertificates::TrustedCertificates(std::string path) : HostPortFile(std::move(path)) {}
