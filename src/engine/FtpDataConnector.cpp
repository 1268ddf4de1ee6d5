#include "engine/FtpDataConnector.h"

#include "engine/ActiveDataListener.h"
#include "engine/FtpControlChannel.h"
#include "engine/FtpReplyRules.h"

#include <Poco/Exception.h>
#include <Poco/Net/NetException.h>

FtpDataConnector::FtpDataConnector(FtpControlChannel& channel, DataMode firstMode) : channel(channel), mode(firstMode)
{
}

bool FtpDataConnector::Open(const std::string& transferCommand, std::uint64_t transferOffset,
                            Poco::Net::StreamSocket& data)
{
    command = transferCommand;
    offset = transferOffset;
    const DataStep first = TryMode(mode, data);
    if (first == DataStep::Done)
        settled = true;
    if (first != DataStep::ModeFailed || settled)
        return first == DataStep::Done;
    const std::string firstCause = channel.Failure().cause;
    const DataMode other = OtherMode(mode);
    const DataStep second = TryMode(other, data);
    if (second == DataStep::Done) {
        mode = other;
        settled = true;
        return true;
    }
    if (second == DataStep::Failed)
        return false;
    // One message for the user, as the server's reply would be.
    FtpReply both;
    both.text = std::string("No data connection in ") + ModeName(mode) + " mode (" + firstCause + ") nor in " +
                ModeName(other) + " mode (" + channel.Failure().cause + ")";
    return channel.FailWithReply(both);
}

FtpDataConnector::DataStep FtpDataConnector::TryMode(DataMode tried, Poco::Net::StreamSocket& data)
{
    return tried == DataMode::Active ? OpenActive(data) : OpenPassive(data);
}

bool FtpDataConnector::SendCommand()
{
    if (offset > 0) {
        FtpReply reply;
        if (!channel.Exchange("REST " + std::to_string(offset), reply))
            return false;
        // A 5xx says the server does not start there; anything else is the command's failure.
        if (reply.Class() != ReplyClass::Intermediate)
            return channel.FailWithReply(reply, reply.Class() == ReplyClass::Permanent ? ERROR_FTP_RESUME_REFUSED
                                                                                       : ERROR_INTERNET_EXTENDED_ERROR);
    }
    return channel.SendCommand(command);
}

FtpDataConnector::DataStep FtpDataConnector::OpenActive(Poco::Net::StreamSocket& data)
{
    ActiveDataListener listener(channel);
    if (!listener.Open())
        return DataStep::ModeFailed;
    const DataStep announced = AnnounceListener(listener);
    if (announced != DataStep::Done)
        return announced;
    if (!SendCommand())
        return DataStep::Failed;
    return AwaitDataConnection(listener, data);
}

FtpDataConnector::DataStep FtpDataConnector::OpenPassive(Poco::Net::StreamSocket& data)
{
    unsigned port = 0;
    const DataStep requested = RequestPassivePort(port);
    if (requested != DataStep::Done)
        return requested;
    if (!ConnectPassive(port, data))
        return DataStep::ModeFailed;
    if (!SendCommand())
        return DataStep::Failed;
    return AwaitPreliminary();
}

// A 5xx to a mode's set-up command refuses the mode; anything else is the
// command's failure.
FtpDataConnector::DataStep FtpDataConnector::Refused(const FtpReply& reply)
{
    channel.FailWithReply(reply);
    return reply.Class() == ReplyClass::Permanent ? DataStep::ModeFailed : DataStep::Failed;
}

FtpDataConnector::DataStep FtpDataConnector::AnnounceListener(ActiveDataListener& listener)
{
    FtpReply reply;
    if (!eprtRefused) {
        if (!channel.Exchange("EPRT " + listener.EprtArgument(), reply))
            return DataStep::Failed;
        const EprtOutcome outcome = ReadEprtReply(reply);
        if (outcome == EprtOutcome::Accepted)
            return DataStep::Done;
        if (outcome == EprtOutcome::Refused)
            return Refused(reply);
        eprtRefused = true;
    }
    if (listener.IsIPv6()) {
        channel.Fail(ERROR_INTERNET_EXTENDED_ERROR, "The server knows no EPRT, and PORT cannot carry an IPv6 address");
        return DataStep::ModeFailed;
    }
    if (!channel.Exchange("PORT " + listener.PortArgument(), reply))
        return DataStep::Failed;
    return reply.Class() == ReplyClass::Complete ? DataStep::Done : Refused(reply);
}

FtpDataConnector::DataStep FtpDataConnector::AwaitDataConnection(ActiveDataListener& listener,
                                                                 Poco::Net::StreamSocket& data)
{
    const auto deadline = std::chrono::steady_clock::now() + channel.Timeouts().dataAccept;
    // Some servers connect as soon as they get EPRT, before they even look at
    // the command, so the transfer has begun only with both the connection
    // and the 150; either may come first.
    bool accepted = false;
    bool started = false;
    while (!accepted || !started) {
        auto event = ActiveDataListener::Event::ControlInput;
        if (!accepted && !listener.Wait(deadline, event))
            return DataStep::Failed;
        if (event == ActiveDataListener::Event::Deadline) {
            // Behind a NAT the server's connection never arrives.
            channel.Fail(ERROR_INTERNET_TIMEOUT, "Timed out waiting for the server's data connection");
            return DataStep::ModeFailed;
        }
        if (event == ActiveDataListener::Event::DataConnection) {
            if (!listener.Accept(data))
                return DataStep::Failed;
            accepted = true;
            continue;
        }
        const DataStep preliminary = AwaitPreliminary();
        if (preliminary != DataStep::Done)
            return preliminary;
        started = true;
    }
    return DataStep::Done;
}

FtpDataConnector::DataStep FtpDataConnector::RequestPassivePort(unsigned& port)
{
    FtpReply reply;
    if (!epsvRefused) {
        if (!channel.Exchange("EPSV", reply))
            return DataStep::Failed;
        if (ParseEpsvReply(reply, port))
            return DataStep::Done;
        if (reply.Class() != ReplyClass::Permanent) {
            channel.Fail(ERROR_INTERNET_BAD_REPLY, "The server's answer to EPSV names no port: " + reply.text);
            return DataStep::ModeFailed;
        }
        epsvRefused = true;
    }
    if (!channel.Exchange("PASV", reply))
        return DataStep::Failed;
    if (ParsePasvReply(reply, port))
        return DataStep::Done;
    if (reply.Class() == ReplyClass::Permanent)
        return Refused(reply);
    channel.Fail(ERROR_INTERNET_BAD_REPLY, "The server's answer to PASV names no port: " + reply.text);
    return DataStep::ModeFailed;
}

bool FtpDataConnector::ConnectPassive(unsigned port, Poco::Net::StreamSocket& data)
{
    const Poco::Net::SocketAddress server(channel.PeerAddress().host(), static_cast<std::uint16_t>(port));
    const std::string where = server.toString();
    try {
        data.connect(server, ToTimespan(channel.Timeouts().dataConnect));
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

// The reply that starts a transfer; 425 and 426 say the data connection
// could not be made or was lost, which the other mode may mend.
FtpDataConnector::DataStep FtpDataConnector::AwaitPreliminary()
{
    FtpReply reply;
    if (!channel.ReadReply(reply))
        return DataStep::Failed;
    if (reply.IsError()) {
        channel.FailWithReply(reply);
        return RefusesDataConnection(reply) ? DataStep::ModeFailed : DataStep::Failed;
    }
    if (reply.Class() != ReplyClass::Preliminary) {
        channel.Fail(ERROR_INTERNET_BAD_REPLY,
                     "The server answered without opening the data connection: " + reply.text);
        return DataStep::Failed;
    }
    return DataStep::Done;
}
