#pragma once
#include "engine/DataModeRule.h"
#include "engine/FtpConnection.h"
#include "engine/FtpControlChannel.h"
#include "engine/TlsTypes.h"

#include <atomic>
#include <memory>
#include <string>

class ActiveDataListener;
class FtpDataFile;
class TlsLayer;

// FtpConnection over our own control channel. Data connections are made in
// the mode ChooseDataMode picks at login; until one has worked, a data
// connection that cannot be made in that mode is tried once in the other,
// and the mode that worked is kept for the rest of the login. Explicit TLS
// (AUTH TLS) on the control and data connections when the login asks for it.
class FtpControlConnection : public FtpConnection {
public:
    explicit FtpControlConnection(const EngineTimeouts& timeouts);
    ~FtpControlConnection() override;

    // Connects, reads the greeting, asks FEAT, sets up TLS as the request's
    // policy says, logs in and, encrypted, protects the data connections
    // (PBSZ 0, PROT P). On failure, FailureText() says why in words for the
    // user; a certificate that did not verify is described in `outcome`.
    bool Login(const FtpLoginRequest& request, FtpLoginOutcome& outcome);
    const std::string& FailureText() const { return channel.Cause(); }

    bool SetCurrentDirectory(const std::string& directory) override;
    bool GetCurrentDirectory(std::string& directory) override;
    std::unique_ptr<InternetFile> OpenFile(const std::string& name, FileAccess access, TransferType type) override;
    bool GetFile(const std::string& remoteName, const std::string& localPath, bool failIfExists,
                 TransferType type) override;
    bool Remove(const std::string& name) override;
    bool RemoveDirectory(const std::string& name) override;
    bool CreateDirectory(const std::string& name) override;
    bool Rename(const std::string& oldName, const std::string& newName) override;
    void Close() override;
    bool IsOpen() const override { return channel.IsOpen(); }
    std::string Encryption() const override;
    bool ListDirectory(std::string& listing, bool& machineFormat) override;

    bool ServerListsMlsd() const { return mlsd; }
    bool ServerListsUtf8() const { return utf8; }

    // Used by FtpDataFile when it closes.
    bool FinishTransfer(bool aborted);
    void ReleaseBusy() { busy = false; }
    // On an encrypted data connection (see TlsLayer::KeepTickets).
    void KeepTlsTickets(Poco::Net::StreamSocket& data, std::chrono::milliseconds wait);
    const EngineTimeouts& Timeouts() const { return channel.Timeouts(); }

private:
    // Holds the connection for one operation; a second caller is turned away.
    class BusyHold {
    public:
        explicit BusyHold(std::atomic<bool>& busy);
        ~BusyHold();
        bool Acquired() const { return acquired; }
        void HandOver() { acquired = false; }  // an open file keeps the hold
    private:
        std::atomic<bool>& busy;
        bool acquired;
    };

    bool ReadGreeting();
    bool SendUser(const std::string& user, const std::string& password);
    // FEAT before USER, so TLS can be chosen before the password goes out;
    // false when the server wants a login first (530).
    bool ReadFeatures();
    void TakeFeatures(const FtpReply& reply);
    bool NegotiateTls(const FtpLoginRequest& request, FtpLoginOutcome& outcome);
    bool ProtectData();
    bool SecureData(Poco::Net::StreamSocket& data);
    bool Command(const std::string& verb, const std::string& argument, ReplyClass expected);
    bool Command(const std::string& verb, const std::string& argument, ReplyClass expected, FtpReply& reply);
    bool CheckArgument(const std::string& argument);
    bool SimpleOperation(const std::string& verb, const std::string& argument);
    bool SetType(TransferType type);
    // How far one attempt at a data connection got: ModeFailed is a failure
    // of the mode (refused, unreachable) that the other mode may not meet.
    enum class DataStep { Done, ModeFailed, Failed };

    // Makes the data connection for `command` and sends it: the one place
    // where a data connection becomes established, in either mode.
    bool OpenDataConnection(const std::string& command, Poco::Net::StreamSocket& data);
    DataStep TryDataMode(DataMode mode, const std::string& command, Poco::Net::StreamSocket& data);
    DataStep OpenActive(const std::string& command, Poco::Net::StreamSocket& data);
    DataStep OpenPassive(const std::string& command, Poco::Net::StreamSocket& data);
    DataStep AnnounceListener(ActiveDataListener& listener);
    DataStep AwaitDataConnection(ActiveDataListener& listener, Poco::Net::StreamSocket& data);
    DataStep RequestPassivePort(unsigned& port);
    DataStep AwaitPreliminary();
    DataStep Refused(const FtpReply& reply);
    std::unique_ptr<FtpDataFile> StartTransfer(const std::string& command, TransferType type, bool ownsConnection);
    bool ReadFinalReply(FtpReply& reply, std::chrono::milliseconds bound);
    bool ReadAll(InternetFile& file, std::string& contents);

    FtpControlChannel channel;
    std::atomic<bool> busy{false};
    std::unique_ptr<TlsLayer> tls;  // null for a login in clear
    bool tlsOffered = false;
    bool mlsd = false;
    bool utf8 = false;
    bool eprtRefused = false;
    bool epsvRefused = false;
    DataMode dataMode = DataMode::Active;
    bool dataModeSettled = false;  // a data connection has been made in dataMode
    unsigned currentType = 0;  // no TYPE sent yet
};
