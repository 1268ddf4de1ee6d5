#pragma once
#include "engine/EngineResult.h"
#include "engine/TlsTypes.h"

#include <string>
#include <vector>

class SshConnection;

// One SSH login as ssh makes it: options from ~/.ssh/config, the host key
// checked against the known_hosts files before anything else is sent, then
// the agent and the user's keys, the password, and keyboard-interactive
// answered with the password.
class SshLogin {
public:
    SshLogin(SshConnection& connection, const FtpLoginRequest& request, FtpLoginOutcome& outcome);

    EngineResult Run();

    SshLogin(const SshLogin&) = delete;
    SshLogin& operator=(const SshLogin&) = delete;

private:
    EngineResult SetOptions();
    EngineResult Connect();
    EngineResult CheckHostKey();
    EngineResult TrustUnknownKey(const ServerHostKey& key);
    std::string WhereKnownKeyIs();
    EngineResult Authenticate();
    bool TryKeys();
    bool TryPassword();
    bool TryKeyboardInteractive();
    bool Accepted(int answer);

    static int AskPassphrase(const char* prompt, char* buffer, std::size_t size, int echo, int verify,
                             void* self);

    SshConnection& connection;
    const FtpLoginRequest& request;
    FtpLoginOutcome& outcome;
    std::vector<std::string> tried;
    int methods = 0;
    bool denied = false;  // a method failed in a way that ends the login (the connection went)
};
