#include "engine/EngineEntry.h"

#include "engine/FtpControlConnection.h"

#include <memory>

// Runs on the thread that logs in (the user-interface thread).
extern "C" FtpConnection* VantrelOpenFtpConnection(const EngineTimeouts& timeouts, const FtpLoginRequest& request,
                                                   FtpLoginOutcome& outcome)
{
    auto connection = std::make_unique<FtpControlConnection>(timeouts);
    if (connection->Login(request, outcome))
        return connection.release();
    outcome.failure = connection->FailureText();
    connection->Close();
    return nullptr;
}
