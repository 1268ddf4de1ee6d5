#pragma once
#include "engine/FtpControlChannel.h"
#include "engine/FtpDataConnector.h"
#include "engine/FtpLogin.h"
#include "engine/RemoteFileSystem.h"
#include "engine/TlsTypes.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

class FtpDataFile;
class TlsLayer;

// The remote file system of one FTP login: commands on the control
// channel, data connections through the connector, each transfer ended by
// the data file it opened.
class FtpFileSystem : public RemoteFileSystem {
public:
    explicit FtpFileSystem(const EngineTimeouts& timeouts);
    ~FtpFileSystem() override;

    // Connects and logs in (see FtpLogin). On failure the result says why in
    // words for the user; a certificate that did not verify is described in
    // `outcome`.
    EngineResult Login(const FtpLoginRequest& request, FtpLoginOutcome& outcome);

    EngineResult CurrentFolder(std::string& folder) override;
    EngineResult ChangeFolder(const std::string& folder) override;
    EngineResult List(std::vector<FtpListEntry>& entries) override;
    EngineResult Open(const std::string& name, FileAccess access, TransferType type, std::uint64_t offset,
                      std::unique_ptr<RemoteFile>& file) override;
    EngineResult Size(const std::string& name, std::uint64_t& size) override;
    bool OffersSize() const override { return features.size; }
    EngineResult CompareDigests(const std::string& name, int fd, FileDigests& digests) override;
    EngineResult RemoveFile(const std::string& name) override;
    EngineResult RemoveFolder(const std::string& name) override;
    EngineResult MakeFolder(const std::string& name) override;
    EngineResult Rename(const std::string& oldName, const std::string& newName) override;
    void End() override;
    bool IsOpen() const override { return channel.IsOpen(); }
    std::string Encryption() const override;
    std::string ServerNotes() const override;

private:
    // Holds the session for one operation; a second caller is turned away.
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

    // The channel's failure when `done` is false.
    EngineResult Result(bool done) const;
    bool Command(const std::string& verb, const std::string& argument, ReplyClass expected);
    bool Command(const std::string& verb, const std::string& argument, ReplyClass expected, FtpReply& reply);
    EngineResult SimpleOperation(const std::string& verb, const std::string& argument);
    bool SetType(TransferType type);
    bool SecureData(Poco::Net::StreamSocket& data);
    // `busy` is handed to the file when it is to hold the session until it is closed.
    std::unique_ptr<FtpDataFile> StartTransfer(const std::string& command, TransferType type, std::uint64_t offset,
                                               std::atomic<bool>* heldBusy);
    std::unique_ptr<FtpDataFile> Append(const std::string& name, TransferType type);
    EngineResult ReadAll(RemoteFile& file, std::string& contents);
    // The server's digest of `name` (`bytes` long) by its strongest hash command, as hex.
    bool RemoteDigest(const std::string& name, std::uint64_t bytes, std::size_t hexLength, std::string& hex);

    FtpControlChannel channel;
    std::atomic<bool> busy{false};
    std::unique_ptr<TlsLayer> tls;  // null for a login in clear
    FtpFeatures features;
    std::optional<FtpDataConnector> connector;  // from the login on
    std::optional<DataMode> rememberedMode;      // from an earlier login
    unsigned currentType = 0;  // no TYPE sent yet
};
