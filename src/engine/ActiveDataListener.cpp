#include "engine/ActiveDataListener.h"

#include <Poco/Exception.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

enum PollSlot { listenerSlot, controlSlot, slotCount };

}  // namespace

ActiveDataListener::ActiveDataListener(FtpControlChannel& channel) : channel(channel) {}

bool ActiveDataListener::Open()
{
    try {
        listener.bind(Poco::Net::SocketAddress(channel.LocalAddress().host(), 0), false);
        listener.listen(1);
    } catch (const Poco::Exception& error) {
        return channel.Fail(ERROR_INTERNET_CANNOT_CONNECT, "Cannot listen for the data connection: " + SocketErrorText(error));
    }
    return true;
}

bool ActiveDataListener::IsIPv6() const
{
    return listener.address().family() == Poco::Net::AddressFamily::IPv6;
}

std::string ActiveDataListener::EprtArgument() const
{
    const Poco::Net::SocketAddress address = listener.address();
    return std::string(IsIPv6() ? "|2|" : "|1|") + address.host().toString() + "|" +
           std::to_string(address.port()) + "|";
}

std::string ActiveDataListener::PortArgument() const
{
    const Poco::Net::SocketAddress address = listener.address();
    std::string host = address.host().toString();
    std::replace(host.begin(), host.end(), '.', ',');
    const unsigned port = address.port();
    return host + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

bool ActiveDataListener::Wait(std::chrono::steady_clock::time_point deadline, Event& event)
{
    if (channel.HasBufferedInput()) {
        event = Event::ControlInput;
        return true;
    }
    pollfd fds[slotCount] = {};
    fds[listenerSlot] = {listener.impl()->sockfd(), POLLIN, 0};
    fds[controlSlot] = {channel.Descriptor(), POLLIN, 0};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            event = Event::Deadline;
            return true;
        }
        const int ready = ::poll(fds, slotCount, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return channel.Fail(errno, std::string("Cannot wait for the data connection: ") + std::strerror(errno));
        if (ready == 0)
            continue;
        event = (fds[listenerSlot].revents & POLLIN) ? Event::DataConnection : Event::ControlInput;
        return true;
    }
}

bool ActiveDataListener::Accept(Poco::Net::StreamSocket& data)
{
    Poco::Net::SocketAddress from;
    try {
        data = listener.acceptConnection(from);
        listener.close();
    } catch (const Poco::Exception& error) {
        return channel.Fail(ERROR_INTERNET_CANNOT_CONNECT, "Cannot accept the data connection: " + SocketErrorText(error));
    }
    if (from.host() == channel.PeerAddress().host())
        return true;
    data.close();
    return channel.Fail(ERROR_INTERNET_CANNOT_CONNECT,
                        "Refused a data connection from " + from.host().toString() + ", which is not the server");
}
