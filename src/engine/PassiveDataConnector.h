#pragma once
#include "engine/FtpControlChannel.h"

#include <Poco/Net/StreamSocket.h>

// Our side of one passive-mode data connection: it goes to the address the
// control connection talks to, at the port the server named, and nowhere
// else, so a hostile 227 reply cannot point it at a third host.
class PassiveDataConnector {
public:
    explicit PassiveDataConnector(FtpControlChannel& channel);

    // Connects within the timeouts' dataConnect bound.
    bool Connect(unsigned port, Poco::Net::StreamSocket& data);

private:
    FtpControlChannel& channel;
};
