#include "engine/SshConnection.h"

#include <sys/socket.h>

SshConnection::SshConnection(const EngineTimeouts& timeouts) : timeouts(timeouts), session(ssh_new()) {}

SshConnection::~SshConnection()
{
    End();
    ssh_free(session);
}

EngineResult SshConnection::StartSftp()
{
    sftp = sftp_new(session);
    if (!sftp || sftp_init(sftp) != SSH_OK)
        return Failure();
    return {};
}

EngineResult SshConnection::Failure()
{
    if (!session || !ssh_is_connected(session)) {
        broken = true;
        const char* why = session ? ssh_get_error(session) : "";
        return EngineResult::Failure(ERROR_INTERNET_CONNECTION_ABORTED,
                                     std::string("The connection to the server was lost") +
                                         (why && *why ? ": " + std::string(why) : std::string(".")));
    }
    std::string text = ssh_get_error(session);
    // libssh puts the server's status message after this.
    const std::string serverPrefix = "SFTP server: ";
    if (text.compare(0, serverPrefix.size(), serverPrefix) == 0)
        text.erase(0, serverPrefix.size());
    if (text.empty())
        text = "The server failed the request (SFTP status " + std::to_string(sftp ? sftp_get_error(sftp) : 0) + ").";
    return EngineResult::ServerReply(text);
}

EngineResult SshConnection::Break(EngineResult why)
{
    broken = true;
    // Wakes nothing and frees nothing: the owner still ends the connection.
    if (const socket_t fd = ssh_get_fd(session); fd != SSH_INVALID_SOCKET)
        ::shutdown(fd, SHUT_RDWR);
    return why;
}

void SshConnection::End()
{
    if (ended.exchange(true))
        return;
    if (sftp) {
        sftp_free(sftp);
        sftp = nullptr;
    }
    if (ssh_is_connected(session))
        ssh_disconnect(session);
}
