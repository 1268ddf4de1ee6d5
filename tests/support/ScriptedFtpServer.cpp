#include "support/ScriptedFtpServer.h"

#include <Poco/Exception.h>
#include <Poco/Net/NetException.h>

#include <poll.h>
#include <sys/socket.h>

#include <sstream>

namespace {

const Poco::Timespan pollInterval(0, 50000);
const Poco::Timespan dataWait(5, 0);
constexpr std::size_t hugeLineBytes = 1 << 20;

std::string WireLines(const std::string& lines)
{
    std::string wire;
    std::istringstream in(lines);
    std::string line;
    while (std::getline(in, line))
        wire += line + "\r\n";
    return wire;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

void SendAll(Poco::Net::StreamSocket& socket, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = socket.sendBytes(bytes.data() + sent, static_cast<int>(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            throw Poco::Net::ConnectionResetException("client gone");
        sent += static_cast<std::size_t>(n);
    }
}

ScriptedFtpServer::Step DataStep(ScriptedFtpServer::Action action)
{
    ScriptedFtpServer::Step step;
    step.action = action;
    return step;
}

}  // namespace

ScriptedFtpServer::Step ScriptedFtpServer::Reply(const std::string& lines)
{
    return Raw(WireLines(lines));
}

ScriptedFtpServer::Step ScriptedFtpServer::Raw(const std::string& bytes)
{
    Step step;
    step.text = bytes;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::ReplyThenClose(const std::string& bytes)
{
    Step step = Raw(bytes);
    step.action = Action::ReplyThenClose;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::EndlessContinuation(int code)
{
    Step step = DataStep(Action::EndlessContinuation);
    step.code = code;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::Silence()
{
    return DataStep(Action::Silence);
}

ScriptedFtpServer::Step ScriptedFtpServer::ResetControl()
{
    return DataStep(Action::ResetControl);
}

ScriptedFtpServer::Step ScriptedFtpServer::HugeLine()
{
    return DataStep(Action::HugeLine);
}

ScriptedFtpServer::Step ScriptedFtpServer::SendData(const std::string& data, const std::string& final)
{
    Step step = DataStep(Action::SendData);
    step.data = data;
    step.final = final;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::ReceiveData(const std::string& final)
{
    Step step = DataStep(Action::ReceiveData);
    step.final = final;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::StallData(const std::string& firstBytes)
{
    Step step = DataStep(Action::StallData);
    step.data = firstBytes;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::TrickleData(const std::string& data, std::chrono::milliseconds interval)
{
    Step step = DataStep(Action::TrickleData);
    step.data = data;
    step.interval = interval;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::ConnectFromOther(const std::string& fromHost)
{
    Step step = DataStep(Action::ConnectFromOther);
    step.fromHost = fromHost;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::NeverConnect()
{
    return DataStep(Action::NeverConnect);
}

ScriptedFtpServer::Step ScriptedFtpServer::ResetData(const std::string& firstBytes, const std::string& finalReply)
{
    Step step = DataStep(Action::ResetData);
    step.data = firstBytes;
    step.final = finalReply;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::SendDataThenClose(const std::string& data)
{
    Step step = DataStep(Action::SendDataThenClose);
    step.data = data;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::ReceiveDataThenClose()
{
    return DataStep(Action::ReceiveDataThenClose);
}

ScriptedFtpServer::Step ScriptedFtpServer::HoldData(const std::string& final)
{
    Step step = DataStep(Action::HoldData);
    step.final = final;
    return step;
}

ScriptedFtpServer::Step ScriptedFtpServer::Passive(const std::string& replyLine)
{
    Step step = DataStep(Action::Passive);
    step.text = replyLine;
    return step;
}

ScriptedFtpServer::ScriptedFtpServer(const std::string& host)
    : host(host), listener(Poco::Net::SocketAddress(host, 0)), greeting(Reply("220 Scripted FTP server ready."))
{
    port = listener.address().port();
    worker = std::thread([this] { Serve(); });
}

ScriptedFtpServer::~ScriptedFtpServer()
{
    stopping = true;
    worker.join();
}

void ScriptedFtpServer::Greet(const Step& step)
{
    std::lock_guard<std::mutex> guard(lock);
    greeting = step;
}

void ScriptedFtpServer::Then(const Step& step)
{
    std::lock_guard<std::mutex> guard(lock);
    steps.push_back(step);
}

std::vector<std::string> ScriptedFtpServer::Commands() const
{
    std::lock_guard<std::mutex> guard(lock);
    return commands;
}

std::string ScriptedFtpServer::ReceivedData() const
{
    std::lock_guard<std::mutex> guard(lock);
    return received;
}

void ScriptedFtpServer::Serve()
{
    while (!stopping) {
        try {
            if (!listener.poll(pollInterval, Poco::Net::Socket::SELECT_READ))
                continue;
            Poco::Net::StreamSocket control = listener.acceptConnection();
            Session(control);
        } catch (const Poco::Exception&) {
            // The client went away mid-step: that is what many scripts test.
        }
    }
}

void ScriptedFtpServer::Session(Poco::Net::StreamSocket& control)
{
    Step step;
    {
        std::lock_guard<std::mutex> guard(lock);
        step = greeting;
    }
    if (!Perform(step, control))
        return;
    std::string pending;
    std::string line;
    while (ReadLine(control, pending, line)) {
        NoteDataAddress(line);
        const bool scripted = NextStep(line, step);
        if (!Perform(step, control) || (!scripted && line == "QUIT"))
            return;
    }
}

bool ScriptedFtpServer::NextStep(const std::string& line, Step& step)
{
    std::lock_guard<std::mutex> guard(lock);
    commands.push_back(line);
    if (steps.empty()) {
        step = Reply(line == "QUIT" ? "221 Goodbye." : "502 Not scripted.");
        return false;
    }
    step = steps.front();
    steps.pop_front();
    return true;
}

bool ScriptedFtpServer::ReadLine(Poco::Net::StreamSocket& control, std::string& pending, std::string& line)
{
    for (;;) {
        const std::size_t end = pending.find("\r\n");
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 2);
            return true;
        }
        if (stopping)
            return false;
        if (!control.poll(pollInterval, Poco::Net::Socket::SELECT_READ))
            continue;
        char buffer[4096];
        const int n = control.receiveBytes(buffer, sizeof buffer);
        if (n <= 0)
            return false;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

void ScriptedFtpServer::NoteDataAddress(const std::string& line)
{
    std::string host;
    std::string portText;
    if (line.rfind("EPRT ", 0) == 0) {
        // EPRT |1|127.0.0.1|40123|
        std::istringstream fields(line.substr(6));
        std::string family;
        std::getline(fields, family, '|');
        std::getline(fields, host, '|');
        std::getline(fields, portText, '|');
    } else if (line.rfind("PORT ", 0) == 0) {
        std::istringstream fields(line.substr(5));
        std::string part;
        int numbers[6] = {};
        for (int& number : numbers) {
            std::getline(fields, part, ',');
            number = std::stoi(part);
        }
        host = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." + std::to_string(numbers[2]) +
               "." + std::to_string(numbers[3]);
        portText = std::to_string(numbers[4] * 256 + numbers[5]);
    } else {
        return;
    }
    passive = false;
    std::lock_guard<std::mutex> guard(lock);
    dataAddress = Poco::Net::SocketAddress(host, static_cast<std::uint16_t>(std::stoi(portText)));
}

void ScriptedFtpServer::ListenPassive(const Step& step, Poco::Net::StreamSocket& control)
{
    passiveListener = Poco::Net::ServerSocket(Poco::Net::SocketAddress(host, 0));
    passive = true;
    const unsigned passivePort = passiveListener.address().port();
    std::string line = step.text;
    ReplaceAll(line, "{port}", std::to_string(passivePort));
    ReplaceAll(line, "{p1}", std::to_string(passivePort / 256));
    ReplaceAll(line, "{p2}", std::to_string(passivePort % 256));
    SendAll(control, line + "\r\n");
}

bool ScriptedFtpServer::AcceptData(Poco::Net::StreamSocket& data)
{
    passive = false;
    if (!passiveListener.poll(dataWait, Poco::Net::Socket::SELECT_READ))
        return false;  // the client never came: part of the script
    data = passiveListener.acceptConnection();
    passiveListener.close();
    return true;
}

bool ScriptedFtpServer::Perform(const Step& step, Poco::Net::StreamSocket& control)
{
    switch (step.action) {
    case Action::Reply:
        SendAll(control, step.text);
        return true;
    case Action::ReplyThenClose:
        SendAll(control, step.text);
        control.close();
        return false;
    case Action::ResetControl:
        control.setLinger(true, 0);
        control.close();
        return false;
    case Action::EndlessContinuation:
        return SendEndless(step, control);
    case Action::Silence:
        return true;
    case Action::HugeLine:
        SendAll(control, "220 " + std::string(hugeLineBytes, 'x') + "\r\n");
        return true;
    case Action::Passive:
        ListenPassive(step, control);
        return true;
    default:
        return PerformData(step, control);
    }
}

bool ScriptedFtpServer::SendEndless(const Step& step, Poco::Net::StreamSocket& control)
{
    const std::string line = std::to_string(step.code) + "-This line is followed by another one.\r\n";
    while (!stopping)
        SendAll(control, line);  // throws once the client has given up
    return false;
}

bool ScriptedFtpServer::PerformData(const Step& step, Poco::Net::StreamSocket& control)
{
    if (step.action == Action::NeverConnect) {
        SendAll(control, step.preliminary + "\r\n");
        return true;
    }
    Poco::Net::StreamSocket data;
    if (step.connectBeforePreliminary && !ConnectData(step, data))
        return true;
    SendAll(control, step.preliminary + "\r\n");
    if (!step.connectBeforePreliminary && !ConnectData(step, data))
        return true;
    switch (step.action) {
    case Action::SendData:
        SendAll(data, step.data);
        data.close();
        break;
    case Action::ReceiveData:
        Receive(data);
        break;
    case Action::TrickleData:
        for (const char byte : step.data) {
            if (stopping || data.sendBytes(&byte, 1, MSG_NOSIGNAL) != 1)
                return true;
            std::this_thread::sleep_for(step.interval);
        }
        data.close();
        break;
    case Action::ResetData:
        SendAll(data, step.data);
        data.setLinger(true, 0);  // an RST, not an orderly end of file
        data.close();
        if (!step.final.empty())
            break;
        control.close();
        return false;
    case Action::SendDataThenClose:
        SendAll(data, step.data);
        data.close();
        control.close();
        return false;
    case Action::ReceiveDataThenClose:
        control.close();
        Receive(data);
        return false;
    case Action::HoldData:
        WaitUntilShutDown(data, control);
        if (step.final.empty())
            return true;
        break;
    default:  // StallData, ConnectFromOther: the client ends it
        SendAll(data, step.data);
        WaitUntilClosed(data);
        return true;
    }
    SendAll(control, step.final + "\r\n");
    return true;
}

void ScriptedFtpServer::Receive(Poco::Net::StreamSocket& data)
{
    std::string bytes;
    char buffer[65536];
    for (int n; (n = data.receiveBytes(buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(n));
    data.close();
    std::lock_guard<std::mutex> guard(lock);
    received = bytes;
}

bool ScriptedFtpServer::ConnectData(const Step& step, Poco::Net::StreamSocket& data)
{
    if (passive)
        return AcceptData(data);
    Poco::Net::SocketAddress target;
    {
        std::lock_guard<std::mutex> guard(lock);
        target = dataAddress;
    }
    const std::string from = step.action == Action::ConnectFromOther ? step.fromHost : host;
    data.impl()->bind(Poco::Net::SocketAddress(from, 0), false);
    try {
        data.connect(target, Poco::Timespan(5, 0));
    } catch (const Poco::Exception&) {
        return false;  // the client refused or stopped listening: part of the script
    }
    return true;
}

// Reading would drain what the client sent, so only the hang-up is watched,
// and the control connection: a FIN queued behind unsent bytes never comes,
// so a client that gives up says so there (ABOR) first.
void ScriptedFtpServer::WaitUntilShutDown(Poco::Net::StreamSocket& data, Poco::Net::StreamSocket& control)
{
    pollfd watch[] = {{data.impl()->sockfd(), POLLRDHUP, 0}, {control.impl()->sockfd(), POLLIN, 0}};
    while (!stopping && ::poll(watch, 2, static_cast<int>(pollInterval.totalMilliseconds())) == 0)
        continue;
}

void ScriptedFtpServer::WaitUntilClosed(Poco::Net::StreamSocket& socket)
{
    char buffer[4096];
    try {
        while (!stopping) {
            if (socket.poll(pollInterval, Poco::Net::Socket::SELECT_READ) &&
                socket.receiveBytes(buffer, sizeof buffer) <= 0)
                return;
        }
    } catch (const Poco::Exception&) {
        // A reset is a close as well.
    }
}
