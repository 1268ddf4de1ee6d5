#include "engine/TlsClient.h"

#include <Poco/Exception.h>
#include <Poco/Net/IPAddress.h>
#include <Poco/Net/NetSSL.h>
#include <Poco/Net/SSLException.h>

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <utility>

namespace {

Poco::Timespan ToTimespan(std::chrono::milliseconds bound)
{
    return Poco::Timespan(static_cast<Poco::Timespan::TimeDiff>(bound.count()) * 1000);
}

using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;

std::string BioText(BIO* bio)
{
    char* bytes = nullptr;
    const long size = BIO_get_mem_data(bio, &bytes);
    return size > 0 ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
}

std::string NameText(const X509_NAME* name)
{
    Bio bio(BIO_new(BIO_s_mem()), &BIO_free);
    X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    return BioText(bio.get());
}

std::string TimeText(const ASN1_TIME* time)
{
    Bio bio(BIO_new(BIO_s_mem()), &BIO_free);
    ASN1_TIME_print(bio.get(), time);
    return BioText(bio.get());
}

std::string Fingerprint(const X509* certificate)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &size) != 1)
        return {};
    char* hex = OPENSSL_buf2hexstr(digest, size);  // upper-case pairs joined by ':'
    const std::string text = hex ? hex : "";
    OPENSSL_free(hex);
    return text;
}

// OpenSSL's "TLSv1.3" as people write it.
std::string VersionText(const SSL* ssl)
{
    std::string name = SSL_get_version(ssl);
    if (name.rfind("TLSv", 0) == 0)
        name = "TLS " + name.substr(4);
    return name;
}

// The per-certificate callback Poco installs would ask its own certificate
// handlers; the chain's result is all this check needs.
int KeepResult(int ok, X509_STORE_CTX*)
{
    return ok;
}

// Poco keeps its session wrapper's constructor to itself.
class PooledSession : public Poco::Net::Session {
public:
    explicit PooledSession(SSL_SESSION* session) : Poco::Net::Session(session) {}
};

int ClientIndex()
{
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

Poco::Net::Context::Ptr MakeContext()
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { Poco::Net::initializeSSL(); });
    Poco::Net::Context::Params params;
    params.verificationMode = Poco::Net::Context::VERIFY_NONE;  // checked in VerifyChain instead
    params.loadDefaultCAs = false;
    params.cipherList = "DEFAULT";
    Poco::Net::Context::Ptr context = new Poco::Net::Context(Poco::Net::Context::TLS_CLIENT_USE, params);
    context->requireMinimumProtocol(Poco::Net::Context::PROTO_TLSV1_2);
    context->enableExtendedCertificateVerification(false);
    context->enableSessionCache(true);
    SSL_CTX_set_default_verify_paths(context->sslContext());
    return context;
}

}  // namespace

TlsClient::TlsClient(std::string host, std::string trustedFingerprint, std::chrono::milliseconds handshake)
    : host(std::move(host)), trustedFingerprint(std::move(trustedFingerprint)), handshake(handshake),
      context(MakeContext())
{
    SSL_CTX* ssl = context->sslContext();
    SSL_CTX_set_cert_verify_callback(ssl, &TlsClient::VerifyChain, this);
    SSL_CTX_set_ex_data(ssl, ClientIndex(), this);
    SSL_CTX_sess_set_new_cb(ssl, &TlsClient::KeepSession);
}

TlsClient::~TlsClient()
{
    SSL_CTX_sess_set_new_cb(context->sslContext(), nullptr);
    for (SSL_SESSION* session : sessions)
        SSL_SESSION_free(session);
}

int TlsClient::KeepSession(SSL* ssl, SSL_SESSION* session)
{
    auto* self = static_cast<TlsClient*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ClientIndex()));
    if (!self)
        return 0;
    std::lock_guard<std::mutex> guard(self->sessionsLock);
    self->sessions.push_back(session);
    return 1;  // the reference is ours now
}

Poco::Net::Session::Ptr TlsClient::TakeSession()
{
    {
        std::lock_guard<std::mutex> guard(sessionsLock);
        if (!sessions.empty()) {
            SSL_SESSION* newest = sessions.back();
            sessions.pop_back();
            return new PooledSession(newest);
        }
    }
    // TLS 1.2 sessions serve any number of connections.
    return control.currentSession();
}

bool TlsClient::OutOfTickets()
{
    std::lock_guard<std::mutex> guard(sessionsLock);
    return sessions.empty() && version == "TLS 1.3";
}

void TlsClient::KeepTickets(Poco::Net::StreamSocket& data, std::chrono::milliseconds wait)
{
    if (!ticketsOnData || !OutOfTickets())
        return;
    try {
        if (!ReadUntilTicket(data, wait) && wait.count() > 0)
            ticketsOnData = false;
    } catch (const Poco::Exception&) {
        // The connection failed: no ticket from it, and the transfer's end
        // tells the outcome.
    }
}

// False when the wait ran out without a ticket.
bool TlsClient::ReadUntilTicket(Poco::Net::StreamSocket& data, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (OutOfTickets()) {
        const auto left = std::max(std::chrono::milliseconds(0),
                                   std::chrono::duration_cast<std::chrono::milliseconds>(
                                       deadline - std::chrono::steady_clock::now()));
        if (!data.poll(ToTimespan(left), Poco::Net::Socket::SELECT_READ))
            return false;
        if (!ReadWaiting(data))
            return true;  // the server closed first: no word on its tickets
    }
    return true;
}

// One read through OpenSSL, which takes any ticket among what has come and
// gives up a millisecond after: the server sends nothing else on an upload
// before our close. False when the server has closed.
bool TlsClient::ReadWaiting(Poco::Net::StreamSocket& data)
{
    const Poco::Timespan idle = data.getReceiveTimeout();
    data.setReceiveTimeout(ToTimespan(std::chrono::milliseconds(1)));
    char scratch[512];
    const int n = data.receiveBytes(scratch, sizeof scratch);
    data.setReceiveTimeout(idle);
    return n != 0;
}

Poco::Net::StreamSocket TlsClient::SecureControl(Poco::Net::StreamSocket plain)
{
    control = Handshake(plain, nullptr);
    if (!checked)
        throw Poco::Net::SSLException("the server showed no certificate");
    // OpenSSL's wrapper asks the plain socket whether to wait for more bytes.
    plain.setBlocking(false);
    return control;
}

// Told that the plain socket does not block, Poco's TLS leaves the TCP
// connection's end to the engine: its shutdown would shut our reading side
// too, and Linux answers the server's close_notify, which follows ours,
// with a reset that servers may take for a failed upload (vsftpd: "426
// Failure reading network stream."). The descriptor itself goes on
// blocking, bounded by the socket's timeouts, which then come back as
// "wants more bytes" (a negative count) instead of an exception.
Poco::Net::StreamSocket TlsClient::SecureData(Poco::Net::StreamSocket plain)
{
    Poco::Net::StreamSocket secure = Handshake(plain, TakeSession());
    plain.setBlocking(false);
    secure.setBlocking(true);
    return secure;
}

Poco::Net::SecureStreamSocket TlsClient::Handshake(Poco::Net::StreamSocket& plain, Poco::Net::Session::Ptr session)
{
    // Blocking calls bounded by the socket's timeouts: the handshake as a whole
    // gets the deadline, since a server that trickles bytes is as stuck as a
    // silent one.
    plain.setReceiveTimeout(ToTimespan(handshake));
    plain.setSendTimeout(ToTimespan(handshake));
    Poco::Net::SecureStreamSocket secure = Poco::Net::SecureStreamSocket::attach(plain, host, context, session);
    // A handshake cut short by the timeout comes back as "wants more bytes".
    if (secure.completeHandshake() != 1)
        throw Poco::TimeoutException("TLS handshake");
    return secure;
}

int TlsClient::VerifyChain(X509_STORE_CTX* store, void* self)
{
    return static_cast<TlsClient*>(self)->Verify(store);
}

// Runs inside a handshake, on the thread that makes the connection.
int TlsClient::Verify(X509_STORE_CTX* store)
{
    X509* leaf = X509_STORE_CTX_get0_cert(store);
    if (!leaf)
        return 0;
    const std::string fingerprint = Fingerprint(leaf);
    // A data connection the server would not resume must at least come from
    // the server the control connection checked.
    if (checked)
        return fingerprint == certificate.fingerprint ? 1 : 0;
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(store);
    Poco::Net::IPAddress address;
    if (Poco::Net::IPAddress::tryParse(host, address))
        X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    else
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
    X509_STORE_CTX_set_verify_cb(store, &KeepResult);
    const bool verified = X509_verify_cert(store) == 1;
    certificate = {verified ? std::string() : X509_verify_cert_error_string(X509_STORE_CTX_get_error(store)),
                   NameText(X509_get_subject_name(leaf)),
                   NameText(X509_get_issuer_name(leaf)),
                   TimeText(X509_get0_notBefore(leaf)),
                   TimeText(X509_get0_notAfter(leaf)),
                   fingerprint};
    if (verified)
        trust = Trust::Verified;
    else if (!trustedFingerprint.empty() && fingerprint == trustedFingerprint)
        trust = Trust::TrustedByUser;
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    if (ssl)
        version = VersionText(ssl);
    checked = true;
    // The handshake finishes either way; an untrusted server then gets nothing.
    return 1;
}

TlsLayer* VantrelMakeTlsLayer(const std::string& host, const std::string& trustedFingerprint,
                              std::chrono::milliseconds handshake)
{
    return new TlsClient(host, trustedFingerprint, handshake);
}
