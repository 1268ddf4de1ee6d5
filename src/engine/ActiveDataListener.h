#pragma once
#include "engine/FtpControlChannel.h"

#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/StreamSocket.h>

#include <chrono>
#include <string>

// The listening socket of one active-mode transfer: bound on the control
// connection's local address, it takes exactly one data connection, and only
// from the address the control connection talks to.
class ActiveDataListener {
public:
    enum class Event { DataConnection, ControlInput, Deadline };

    explicit ActiveDataListener(FtpControlChannel& channel);

    bool Open();
    bool IsIPv6() const;
    std::string EprtArgument() const;  // |1|h.h.h.h|port| or |2|v6|port|
    std::string PortArgument() const;  // h1,h2,h3,h4,p1,p2

    // Waits for the server's data connection or for a reply on the control
    // connection, whichever comes first; Deadline when neither came in time.
    bool Wait(std::chrono::steady_clock::time_point deadline, Event& event);
    bool Accept(Poco::Net::StreamSocket& data);

private:
    FtpControlChannel& channel;
    Poco::Net::ServerSocket listener;
};
