#pragma once
#include "engine/DataModeRule.h"

#include <Poco/Net/StreamSocket.h>

#include <cstdint>
#include <optional>
#include <string>

class ActiveDataListener;
class FtpControlChannel;
struct FtpReply;

// Makes the data connections of one login, in the mode ChooseDataMode picks
// at the login: until one has worked, a data connection that cannot be made
// in that mode is tried once in the other, and the mode that worked is kept
// for the rest of the login.
class FtpDataConnector {
public:
    FtpDataConnector(FtpControlChannel& channel, DataMode firstMode);

    // Makes the data connection for `command` and sends it: the one place
    // where a data connection becomes established, in either mode. A
    // transfer from `offset` on asks REST right before the command, as the
    // server wants it. On failure the channel holds why.
    bool Open(const std::string& command, std::uint64_t offset, Poco::Net::StreamSocket& data);
    // The mode a data connection has been made in; none before the first.
    std::optional<DataMode> Settled() const { return settled ? std::optional<DataMode>(mode) : std::nullopt; }

private:
    // How far one attempt got: ModeFailed is a failure of the mode (refused,
    // unreachable) that the other mode may not meet.
    enum class DataStep { Done, ModeFailed, Failed };

    DataStep TryMode(DataMode tried, Poco::Net::StreamSocket& data);
    DataStep OpenActive(Poco::Net::StreamSocket& data);
    DataStep OpenPassive(Poco::Net::StreamSocket& data);
    // REST (when there is an offset) and the command itself.
    bool SendCommand();
    DataStep AnnounceListener(ActiveDataListener& listener);
    DataStep AwaitDataConnection(ActiveDataListener& listener, Poco::Net::StreamSocket& data);
    DataStep RequestPassivePort(unsigned& port);
    // Our side of a passive-mode data connection: it goes to the address the
    // control connection talks to, at the port the server named, and nowhere
    // else, so a hostile 227 reply cannot point it at a third host.
    bool ConnectPassive(unsigned port, Poco::Net::StreamSocket& data);
    DataStep AwaitPreliminary();
    DataStep Refused(const FtpReply& reply);

    FtpControlChannel& channel;
    std::string command;     // of the transfer being opened
    std::uint64_t offset = 0;
    DataMode mode;
    bool settled = false;  // a data connection has been made in `mode`
    bool eprtRefused = false;
    bool epsvRefused = false;
};
