#include "engine/SshLogin.h"

#include "engine/SftpRules.h"
#include "engine/SshConnection.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using KeyPointer = std::unique_ptr<ssh_key_struct, decltype(&ssh_key_free)>;

// The user's ~/.ssh, by HOME as ssh finds it (libssh alone would take the
// password database's home); empty without HOME.
std::string UserSshFolder()
{
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.ssh" : std::string();
}

ServerHostKey Describe(ssh_key key)
{
    ServerHostKey described;
    described.type = ssh_key_type_to_char(ssh_key_type(key));
    unsigned char* hash = nullptr;
    std::size_t size = 0;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &size) != SSH_OK)
        return described;
    if (char* fingerprint = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, size)) {
        described.fingerprint = fingerprint;
        ssh_string_free_char(fingerprint);
    }
    ssh_clean_pubkey_hash(&hash);
    return described;
}

std::vector<std::string> MethodNames(int methods)
{
    static const std::pair<int, const char*> names[] = {
        {SSH_AUTH_METHOD_PUBLICKEY, "publickey"},
        {SSH_AUTH_METHOD_PASSWORD, "password"},
        {SSH_AUTH_METHOD_INTERACTIVE, "keyboard-interactive"},
        {SSH_AUTH_METHOD_HOSTBASED, "hostbased"},
        {SSH_AUTH_METHOD_GSSAPI_MIC, "gssapi-with-mic"},
    };
    std::vector<std::string> offered;
    for (const auto& [bit, name] : names) {
        if (methods & bit)
            offered.push_back(name);
    }
    return offered;
}

long WholeSeconds(std::chrono::milliseconds wait)
{
    return static_cast<long>((wait.count() + 999) / 1000);
}

}  // namespace

SshLogin::SshLogin(SshConnection& connection, const FtpLoginRequest& request, FtpLoginOutcome& outcome)
    : connection(connection), request(request), outcome(outcome)
{
}

EngineResult SshLogin::Run()
{
    for (auto step : {&SshLogin::SetOptions, &SshLogin::Connect, &SshLogin::CheckHostKey, &SshLogin::Authenticate}) {
        if (EngineResult result = (this->*step)(); !result.Ok())
            return result;
    }
    return connection.StartSftp();
}

EngineResult SshLogin::SetOptions()
{
    ssh_session session = connection.Session();
    if (!session)
        return EngineResult::Failure(ERROR_INTERNET_INTERNAL_ERROR, "libssh could not make a session.");
    ssh_options_set(session, SSH_OPTIONS_HOST, request.host.c_str());
    if (const std::string folder = UserSshFolder(); !folder.empty())
        ssh_options_set(session, SSH_OPTIONS_SSH_DIR, folder.c_str());
    if (ssh_options_parse_config(session, nullptr) != SSH_OK)
        return EngineResult::Failure(ERROR_INTERNET_INVALID_URL, ssh_get_error(session));
    // What the window says wins over the config's Port and User, as ssh -p and -l do.
    const unsigned int port = request.port;
    ssh_options_set(session, SSH_OPTIONS_PORT, &port);
    if (!request.user.empty())
        ssh_options_set(session, SSH_OPTIONS_USER, request.user.c_str());
    // Nagle's algorithm would hold each small request (a read's, a write's
    // tail) until the server acknowledges the last: a delayed ACK per request.
    const int noDelay = 1;
    ssh_options_set(session, SSH_OPTIONS_NODELAY, &noDelay);
    const long connectSeconds = WholeSeconds(connection.Timeouts().connect);
    ssh_options_set(session, SSH_OPTIONS_TIMEOUT, &connectSeconds);
    return {};
}

EngineResult SshLogin::Connect()
{
    ssh_session session = connection.Session();
    if (ssh_connect(session) != SSH_OK) {
        const std::string why = ssh_get_error(session);
        const bool unresolved = why.find("resolve") != std::string::npos;
        return EngineResult::Failure(unresolved ? ERROR_INTERNET_NAME_NOT_RESOLVED : ERROR_INTERNET_CANNOT_CONNECT,
                                     why);
    }
    const long replySeconds = WholeSeconds(connection.Timeouts().reply);
    ssh_options_set(session, SSH_OPTIONS_TIMEOUT, &replySeconds);
    return {};
}

EngineResult SshLogin::CheckHostKey()
{
    ssh_session session = connection.Session();
    ssh_key raw = nullptr;
    if (ssh_get_server_publickey(session, &raw) != SSH_OK)
        return connection.Failure();
    const KeyPointer key(raw, &ssh_key_free);
    const ServerHostKey described = Describe(key.get());
    switch (ssh_session_is_known_server(session)) {
    case SSH_KNOWN_HOSTS_OK:
        return {};
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
        return EngineResult::Failure(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                                     ChangedHostKeyWarning(request.host, request.port, described.type,
                                                           described.fingerprint, WhereKnownKeyIs()));
    case SSH_KNOWN_HOSTS_UNKNOWN:
    case SSH_KNOWN_HOSTS_NOT_FOUND:
        return TrustUnknownKey(described);
    case SSH_KNOWN_HOSTS_ERROR:
        break;
    }
    return EngineResult::Failure(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                                 std::string("The known_hosts files could not be read: ") + ssh_get_error(session));
}

// libssh writes the line plain (it cannot hash host names), as ssh does
// without HashKnownHosts.
EngineResult SshLogin::TrustUnknownKey(const ServerHostKey& key)
{
    if (key.fingerprint.empty() || request.trustedFingerprint != key.fingerprint) {
        outcome.hostKeyState = FtpLoginOutcome::HostKey::Unknown;
        outcome.hostKey = key;
        return EngineResult::Failure(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                                     "The host key of " + request.host + " is not in your known_hosts file.");
    }
    if (ssh_session_update_known_hosts(connection.Session()) != SSH_OK)
        return EngineResult::Failure(ERROR_INTERNET_SECURITY_CHANNEL_ERROR,
                                     std::string("The host key could not be added to known_hosts: ") +
                                         ssh_get_error(connection.Session()));
    return {};
}

// The line that names this host in the user's or the system's file (libssh
// 0.10 does not tell which line it matched, nor its files: these are its
// defaults).
std::string SshLogin::WhereKnownKeyIs()
{
    char* host = nullptr;
    if (ssh_options_get(connection.Session(), SSH_OPTIONS_HOST, &host) != SSH_OK || !host)
        return {};
    const std::string hostAndPort = SshHostAndPort(host, request.port);
    ssh_string_free_char(host);
    const auto namesHost = [&hostAndPort](const std::string& line) {
        ssh_knownhosts_entry* entry = nullptr;
        const bool named = ssh_known_hosts_parse_line(hostAndPort.c_str(), line.c_str(), &entry) == SSH_OK;
        if (entry)
            ssh_knownhosts_entry_free(entry);
        return named;
    };
    for (const std::string& file : {UserSshFolder() + "/known_hosts", std::string("/etc/ssh/ssh_known_hosts")}) {
        if (std::string where = WhereLineIs(file, namesHost); !where.empty())
            return where;
    }
    return {};
}

EngineResult SshLogin::Authenticate()
{
    ssh_session session = connection.Session();
    const int none = ssh_userauth_none(session, nullptr);
    if (none == SSH_AUTH_SUCCESS)
        return {};
    if (none == SSH_AUTH_ERROR)
        return connection.Failure();
    methods = ssh_userauth_list(session, nullptr);
    const int offered = methods;
    if (TryKeys() || TryPassword() || TryKeyboardInteractive())
        return {};
    if (denied)
        return connection.Failure();
    return EngineResult::ServerReply(AuthenticationFailure(MethodNames(offered), tried));
}

// The agent first, then the user's keys (the default ones and the config's
// IdentityFile); a key with a passphrase asks for it.
bool SshLogin::TryKeys()
{
    if (!(methods & SSH_AUTH_METHOD_PUBLICKEY))
        return false;
    tried.push_back(std::getenv("SSH_AUTH_SOCK") ? "publickey (agent, keys)" : "publickey (keys)");
    ssh_callbacks_struct& callbacks = connection.callbacks;
    callbacks = {};
    callbacks.userdata = this;
    callbacks.auth_function = &SshLogin::AskPassphrase;
    ssh_callbacks_init(&callbacks);
    ssh_set_callbacks(connection.Session(), &callbacks);
    const bool accepted = Accepted(ssh_userauth_publickey_auto(connection.Session(), nullptr, nullptr));
    // The login object goes, the session stays.
    callbacks.auth_function = nullptr;
    callbacks.userdata = nullptr;
    return accepted;
}

bool SshLogin::TryPassword()
{
    if (denied || !(methods & SSH_AUTH_METHOD_PASSWORD) || request.password.empty())
        return false;
    tried.push_back("password");
    return Accepted(ssh_userauth_password(connection.Session(), nullptr, request.password.c_str()));
}

// Answers a lone hidden prompt with the password; a server that asks for
// more than that (a one-time code too) cannot be answered from the window.
bool SshLogin::TryKeyboardInteractive()
{
    if (denied || !(methods & SSH_AUTH_METHOD_INTERACTIVE) || request.password.empty())
        return false;
    tried.push_back("keyboard-interactive");
    ssh_session session = connection.Session();
    int answer = ssh_userauth_kbdint(session, nullptr, nullptr);
    while (answer == SSH_AUTH_INFO) {
        const int prompts = ssh_userauth_kbdint_getnprompts(session);
        if (prompts > 1)
            return false;
        if (prompts == 1 && ssh_userauth_kbdint_setanswer(session, 0, request.password.c_str()) < 0)
            return false;
        answer = ssh_userauth_kbdint(session, nullptr, nullptr);
    }
    return Accepted(answer);
}

bool SshLogin::Accepted(int answer)
{
    switch (answer) {
    case SSH_AUTH_SUCCESS:
        return true;
    case SSH_AUTH_PARTIAL:
        methods = ssh_userauth_list(connection.Session(), nullptr);
        return false;
    case SSH_AUTH_ERROR:
        denied = !ssh_is_connected(connection.Session());
        return false;
    default:
        return false;
    }
}

int SshLogin::AskPassphrase(const char* prompt, char* buffer, std::size_t size, int /*echo*/, int /*verify*/,
                            void* self)
{
    const auto* login = static_cast<const SshLogin*>(self);
    std::string answer;
    if (!login || !login->request.askSecret || !login->request.askSecret(prompt ? prompt : "Passphrase:", answer))
        return -1;
    if (answer.size() >= size)
        return -1;
    std::memcpy(buffer, answer.c_str(), answer.size() + 1);
    return 0;
}
