#pragma once
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocket.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An FTP server that follows a script, on a real loopback socket (127.0.0.1
// or another loopback address, a free port), for tests that need exact
// transcripts and misbehaviour no real server offers. Every command line
// received answers with the next queued step; the server records each line so
// a test can compare the whole transcript. EPRT and PORT are remembered as the
// address the data steps connect to; after a Passive step they take the
// client's connection to the passive port instead. Unscripted commands get
// "502 Not scripted."; an unscripted QUIT gets "221 Goodbye." and the
// connection is closed.
class ScriptedFtpServer {
public:
    enum class Action {
        Reply,                // send `text`
        ReplyThenClose,       // send `text`, then close the control connection
        ResetControl,         // reset the control connection (an RST), no reply
        EndlessContinuation,  // "<code>-..." lines until the client leaves
        Silence,              // answer nothing
        HugeLine,             // one 1 MB line
        SendData,             // connect, send `data`, close it, send `final`
        ReceiveData,          // connect, read until EOF, send `final`
        StallData,            // connect, send `data`, then hold until the client closes
        ConnectFromOther,     // connect from `fromHost` instead of 127.0.0.1
        NeverConnect,         // send the preliminary reply only
        ResetData,            // connect, send `data`, reset it, then `final` or close the control connection
        SendDataThenClose,    // connect, send `data`, close it and the control connection, no final reply
        ReceiveDataThenClose, // connect, close the control connection, read until EOF
        HoldData,             // connect, read nothing, hold until the client hangs up or sends a command, send `final` if any
        Passive,              // listen on a free port of the server's host, send `text` naming it
        TrickleData,          // connect, send `data` a byte every `interval`, close it, send `final`
    };

    struct Step {
        Action action = Action::Reply;
        std::string text;                                     // reply lines, "\n"-separated
        std::string data;
        std::string preliminary = "150 Opening data connection.";
        std::string final = "226 Transfer complete.";
        bool connectBeforePreliminary = false;
        std::string fromHost = "127.0.0.2";  // ConnectFromOther's source address
        int code = 220;
        std::chrono::milliseconds interval{0};  // TrickleData's
    };

    // Step builders. Reply texts are lines separated by "\n"; the server sends CRLF.
    static Step Reply(const std::string& lines);
    static Step Raw(const std::string& bytes);  // exactly these bytes
    static Step ReplyThenClose(const std::string& bytes);
    static Step EndlessContinuation(int code = 220);
    static Step Silence();
    static Step ResetControl();
    static Step HugeLine();
    static Step SendData(const std::string& data, const std::string& final = "226 Transfer complete.");
    static Step ReceiveData(const std::string& final = "226 Transfer complete.");
    static Step StallData(const std::string& firstBytes);
    // A server that sends a byte at a time, slowly; it stops once the client hangs up.
    static Step TrickleData(const std::string& data, std::chrono::milliseconds interval);
    static Step ConnectFromOther(const std::string& fromHost = "127.0.0.2");
    static Step NeverConnect();
    // A server that dies in the middle of a transfer: the data connection
    // reset after `firstBytes`, the control connection closed. With a final
    // reply, the server lives on and sends it instead (a full disk's 451).
    static Step ResetData(const std::string& firstBytes = "", const std::string& finalReply = "");
    // The data sent whole, then the control connection closed before the final reply.
    static Step SendDataThenClose(const std::string& data);
    // The control connection closed as an upload begins; the data is still read.
    static Step ReceiveDataThenClose();
    // A server that stops reading an upload: the client's sends fill the
    // socket buffers and then wait.
    static Step HoldData(const std::string& final = "");
    // The answer to EPSV or PASV: a reply line in which "{port}" becomes the
    // passive port, "{p1}" and "{p2}" its high and low byte. The data step
    // that follows waits for the client's connection to that port.
    static Step Passive(const std::string& replyLine);

    explicit ScriptedFtpServer(const std::string& host = "127.0.0.1");
    ~ScriptedFtpServer();

    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    std::uint16_t Port() const { return port; }
    const std::string& Host() const { return host; }

    // The greeting step (default "220 Scripted FTP server ready."); set it before connecting.
    void Greet(const Step& step);
    // The answer to the next command not yet answered.
    void Then(const Step& step);
    void Then(const std::string& replyLines) { Then(Reply(replyLines)); }

    std::vector<std::string> Commands() const;
    std::string ReceivedData() const;  // bytes of the last ReceiveData step

private:
    void Serve();
    void Session(Poco::Net::StreamSocket& control);
    bool ReadLine(Poco::Net::StreamSocket& control, std::string& pending, std::string& line);
    bool Perform(const Step& step, Poco::Net::StreamSocket& control);
    bool PerformData(const Step& step, Poco::Net::StreamSocket& control);
    bool ConnectData(const Step& step, Poco::Net::StreamSocket& data);
    bool AcceptData(Poco::Net::StreamSocket& data);
    void ListenPassive(const Step& step, Poco::Net::StreamSocket& control);
    void Receive(Poco::Net::StreamSocket& data);
    void NoteDataAddress(const std::string& line);
    bool NextStep(const std::string& line, Step& step);
    void WaitUntilClosed(Poco::Net::StreamSocket& socket);
    void WaitUntilShutDown(Poco::Net::StreamSocket& data, Poco::Net::StreamSocket& control);
    bool SendEndless(const Step& step, Poco::Net::StreamSocket& control);

    const std::string host;
    Poco::Net::ServerSocket listener;
    std::uint16_t port = 0;
    Poco::Net::ServerSocket passiveListener;  // the session thread's alone
    bool passive = false;
    std::atomic<bool> stopping{false};
    mutable std::mutex lock;
    Step greeting;
    std::deque<Step> steps;
    std::vector<std::string> commands;
    std::string received;
    Poco::Net::SocketAddress dataAddress;
    std::thread worker;
};
