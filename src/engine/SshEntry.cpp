#include "engine/SftpModule.h"

#include "engine/SshConnection.h"
#include "engine/SshFileSystem.h"
#include "engine/SshLogin.h"

#include <memory>

// Runs on the thread that logs in (the user-interface thread).
extern "C" RemoteFileSystem* VantrelOpenSftpConnection(const EngineTimeouts& timeouts, const FtpLoginRequest& request,
                                                       FtpLoginOutcome& outcome)
{
    auto connection = std::make_shared<SshConnection>(timeouts);
    outcome.result = SshLogin(*connection, request, outcome).Run();
    if (!outcome.result.Ok())
        return nullptr;
    auto session = std::make_unique<SshFileSystem>(connection);
    outcome.result = session->Start();
    return outcome.result.Ok() ? session.release() : nullptr;
}
