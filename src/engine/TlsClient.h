#pragma once
#include "engine/TlsLayer.h"

#include <Poco/Net/Context.h>
#include <Poco/Net/SecureStreamSocket.h>
#include <Poco/Net/StreamSocket.h>

#include <openssl/ssl.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <string>

// The TLS side of one login: a client context of its own (TLS 1.2 or later,
// the system's CAs through OpenSSL's default paths, so SSL_CERT_FILE and
// SSL_CERT_DIR apply), the control connection's handshake and the data
// connections', which resume the control connection's session.
//
// OpenSSL is told to let every handshake finish; the chain and the host name
// (or IP address) are checked here, so a certificate that does not verify
// can be shown to the user instead of ending in a bare handshake error.
class TlsClient : public TlsLayer {
public:
    TlsClient(std::string host, std::string trustedFingerprint, std::chrono::milliseconds handshake);
    ~TlsClient() override;
    TlsClient(const TlsClient&) = delete;
    TlsClient& operator=(const TlsClient&) = delete;

    Poco::Net::StreamSocket SecureControl(Poco::Net::StreamSocket plain) override;
    Poco::Net::StreamSocket SecureData(Poco::Net::StreamSocket plain) override;
    void KeepTickets(Poco::Net::StreamSocket& data, std::chrono::milliseconds wait) override;

    Trust Verdict() const override { return trust; }
    const ServerCertificate& Certificate() const override { return certificate; }
    const std::string& Version() const override { return version; }

private:
    Poco::Net::SecureStreamSocket Handshake(Poco::Net::StreamSocket& plain, Poco::Net::Session::Ptr session);
    static int VerifyChain(X509_STORE_CTX* store, void* self);
    int Verify(X509_STORE_CTX* store);
    static int KeepSession(SSL* ssl, SSL_SESSION* session);
    Poco::Net::Session::Ptr TakeSession();
    // TLS 1.3 and not one ticket left: the next data connection could not resume.
    bool OutOfTickets();
    bool ReadUntilTicket(Poco::Net::StreamSocket& data, std::chrono::milliseconds wait);
    static bool ReadWaiting(Poco::Net::StreamSocket& data);

    std::string host;
    std::string trustedFingerprint;
    std::chrono::milliseconds handshake;
    Poco::Net::Context::Ptr context;
    Poco::Net::SecureStreamSocket control;
    // Sessions the server handed out (TLS 1.3 tickets), newest last. Servers
    // that demand reuse may take each one once, so every data connection
    // gets a fresh one while there are any. Filled on whichever thread reads
    // the connection that brought them.
    std::mutex sessionsLock;
    std::deque<SSL_SESSION*> sessions;
    // False once a server sent no ticket on a data connection in time: it
    // is not waited for again in this login.
    bool ticketsOnData = true;
    bool checked = false;  // the control connection's certificate was seen
    Trust trust = Trust::Untrusted;
    ServerCertificate certificate;
    std::string version;
};
