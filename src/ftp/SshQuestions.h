#pragma once
#include "engine/TlsTypes.h"

#include <cstdint>
#include <string>

class wxWindow;

enum class HostKeyAnswer { Trust, Cancel };

// The question's text, worded as ssh asks it: the host, the key's type and
// its SHA256 fingerprint.
std::string HostKeyQuestionText(const ServerHostKey& key, const std::string& host, std::uint16_t port);

// One modal box, Trust or Cancel (the default).
HostKeyAnswer AskAboutHostKey(wxWindow* owner, const ServerHostKey& key, const std::string& host,
                              std::uint16_t port);

// A one-line prompt with the text hidden, for a key's passphrase; false when
// the user cancelled.
bool AskPassphrase(wxWindow* owner, const std::string& prompt, std::string& answer);
