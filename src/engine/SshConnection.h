#pragma once
#include "engine/EngineResult.h"
#include "engine/EngineTimeouts.h"

#include <libssh/callbacks.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <atomic>
#include <string>

// One SSH connection and its SFTP channel, shared by the session and the file
// open on it. libssh's session is not thread-safe: the user-interface thread
// uses it while no file is open, a transfer worker while one is; `fileOpen`
// hands it over. `broken` may be read from any thread.
class SshConnection {
public:
    explicit SshConnection(const EngineTimeouts& timeouts);
    ~SshConnection();

    SshConnection(const SshConnection&) = delete;
    SshConnection& operator=(const SshConnection&) = delete;

    ssh_session Session() const { return session; }
    sftp_session Sftp() const { return sftp; }
    const EngineTimeouts& Timeouts() const { return timeouts; }

    // Starts SFTP on the logged-in connection.
    EngineResult StartSftp();

    // The failure of the last libssh call: the server's status message when
    // it sent one, else libssh's error (and the connection marked broken
    // when it is gone).
    EngineResult Failure();
    // Gives the connection up after a failure that leaves it unusable (a
    // transfer cut off with answers still owed); it cannot be used again.
    EngineResult Break(EngineResult why);
    // Says goodbye and closes; safe to call twice.
    void End();
    bool IsOpen() const { return !broken && !ended; }

    std::atomic<bool> fileOpen{false};
    // libssh keeps a pointer to these for the session's life.
    ssh_callbacks_struct callbacks{};

private:
    EngineTimeouts timeouts;
    ssh_session session = nullptr;
    sftp_session sftp = nullptr;
    std::atomic<bool> broken{false};
    std::atomic<bool> ended{false};
};
