#include "engine/EngineEntry.h"

#include "engine/FtpControlConnection.h"

#include <memory>

// Runs on the thread that logs in (the user-interface thread).
extern "C" FtpConnection* VantrelOpenFtpConnection(const EngineTimeouts& timeouts, const std::string& host,
                                                   std::uint16_t port, const std::string& user,
                                                   const std::string& password, std::string& failure)
{
    auto connection = std::make_unique<FtpControlConnection>(timeouts);
    if (connection->Login(host, port, user, password))
        return connection.release();
    failure = connection->FailureText();
    connection->Close();
    return nullptr;
}
