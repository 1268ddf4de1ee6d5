#include "engine/SftpRules.h"

#include <fstream>

namespace {

std::string Joined(const std::vector<std::string>& words)
{
    if (words.empty())
        return "none";
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : ", ") + word;
    return text;
}

}  // namespace

std::string SshHostAndPort(const std::string& host, std::uint16_t port)
{
    constexpr std::uint16_t sshPort = 22;
    return port == sshPort ? host : "[" + host + "]:" + std::to_string(port);
}

std::string SftpPath(const std::string& folder, const std::string& name)
{
    if (name.empty() || name.front() == '/' || folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string ChangedHostKeyWarning(const std::string& host, std::uint16_t port, const std::string& keyType,
                                  const std::string& fingerprint, const std::string& where)
{
    std::string text = "WARNING: REMOTE HOST IDENTIFICATION HAS CHANGED!\n\n"
                       "The host key of " + SshHostAndPort(host, port) + " has changed. "
                       "IT IS POSSIBLE THAT SOMEONE IS DOING SOMETHING NASTY: someone could be eavesdropping on "
                       "you right now (man-in-the-middle attack), or the host key has just been changed.\n\n"
                       "The " + keyType + " key the server sent has the fingerprint\n" + fingerprint + "\n\n";
    text += where.empty() ? std::string("The key you had for it is in your known_hosts file.")
                          : "The key you had for it is in " + where + ".";
    text += " Ask the server's owner which key is right; if it is the new one, remove the old line and log in "
            "again. Nothing was sent to the server.";
    return text;
}

std::string AuthenticationFailure(const std::vector<std::string>& offered, const std::vector<std::string>& tried)
{
    return "The server refused the login. It offers: " + Joined(offered) + ". Tried: " + Joined(tried) + ".";
}

std::string WhereLineIs(const std::string& file, const std::function<bool(const std::string&)>& matches)
{
    std::ifstream in(file);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (matches(text))
            return file + ":" + std::to_string(number);
    }
    return {};
}
