#pragma once
#include "engine/TlsTypes.h"

#include <cstdint>
#include <string>

class wxWindow;

enum class CertificateAnswer { Trust, GoOnInClear, Cancel };
// Whether a certificate was trusted for this host and port before.
enum class CertificateHistory { New, Changed };

// The question's text: what is wrong, and who the certificate says it is.
std::string CertificateQuestionText(const ServerCertificate& certificate, const std::string& host,
                                    std::uint16_t port, CertificateHistory history, TlsPolicy policy);

// One modal box: Trust or Cancel, and for a plain domain (which does not
// demand TLS) also going on without encryption.
CertificateAnswer AskAboutCertificate(wxWindow* owner, const ServerCertificate& certificate, const std::string& host,
                                      std::uint16_t port, CertificateHistory history, TlsPolicy policy);
