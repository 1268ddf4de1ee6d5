#include "engine/EngineEntry.h"

#include "engine/FtpFileSystem.h"
#include "engine/SftpModule.h"

#include <memory>

// Runs on the thread that logs in (the user-interface thread).
extern "C" RemoteFileSystem* VantrelOpenFtpConnection(const EngineTimeouts& timeouts, const FtpLoginRequest& request,
                                                      FtpLoginOutcome& outcome)
{
    if (request.protocol == RemoteProtocol::Sftp)
        return OpenSftpConnection(timeouts, request, outcome);
    auto session = std::make_unique<FtpFileSystem>(timeouts);
    outcome.result = session->Login(request, outcome);
    // A failed login's session ends (QUIT, close) as it goes.
    return outcome.result.Ok() ? session.release() : nullptr;
}
