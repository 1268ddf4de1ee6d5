#include "engine/PassiveDataConnector.h"


#include <Poco/Exception.h>
#include <Poco/Net/NetException.h>

#include <cstdint>

PassiveDataConnector::PassiveDataConnector(FtpControlChannel& channel) : channel(channel) {}

bool PassiveDataConnector::Connect(unsigned port, Poco::Net::StreamSocket& data)
{
    const Poco::Net::SocketAddress server(channel.PeerAddress().host(), static_cast<std::uint16_t>(port));
    const std::string where = server.toString();
    const auto bound = channel.Timeouts().dataConnect;
    try {
        data.connect(server, Poco::Timespan(static_cast<Poco::Timespan::TimeDiff>(bound.count()) * 1000));
    } catch (const Poco::Net::ConnectionRefusedException&) {
        return channel.Fail(ERROR_INTERNET_CANNOT_CONNECT, "The server refused the data connection to " + where);
    } catch (const Poco::TimeoutException&) {
        return channel.Fail(ERROR_INTERNET_TIMEOUT, "Timed out making the data connection to " + where);
    } catch (const Poco::Exception& error) {
        return channel.Fail(ERROR_INTERNET_CANNOT_CONNECT,
                            "Cannot make the data connection to " + where + ": " + SocketErrorText(error));
    }
    return true;
}
