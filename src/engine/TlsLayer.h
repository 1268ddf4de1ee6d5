#pragma once
#include "engine/TlsTypes.h"

#include <Poco/Net/StreamSocket.h>

#include <chrono>
#include <memory>
#include <string>

// The TLS side of one login as the engine sees it. The code behind it is a
// module of its own, the only one on OpenSSL and Poco's NetSSL, loaded from
// the engine's folder at the first encrypted login: a login in clear maps
// neither (about 3.5 MB of a transfer's memory).
class TlsLayer {
public:
    enum class Trust { Verified, TrustedByUser, Untrusted };

    // Inline, so that both modules have the class without importing it from the other.
    virtual ~TlsLayer() = default;

    // Wraps the control connection's socket, handshaking within the deadline;
    // the result does not block. Throws Poco::Exception
    // (Poco::TimeoutException for the deadline).
    virtual Poco::Net::StreamSocket SecureControl(Poco::Net::StreamSocket plain) = 0;
    // Wraps a data connection, offering the control connection's session; a
    // full handshake must show the control connection's certificate. The
    // result blocks; a receive or send that runs into the socket's timeout
    // gives a negative count, and its shutdown sends close_notify alone.
    virtual Poco::Net::StreamSocket SecureData(Poco::Net::StreamSocket plain) = 0;

    // Reads the tickets a TLS 1.3 server sent on a data connection, waiting
    // at most `wait` for them, when no session is left for the next one: a
    // connection only written to (an upload) would end with them unread, and
    // a server that takes each ticket once would then refuse every data
    // connection after. A server that sent none within a wait is not waited
    // for again in this login. Never throws.
    virtual void KeepTickets(Poco::Net::StreamSocket& data, std::chrono::milliseconds wait) = 0;

    virtual Trust Verdict() const = 0;
    virtual const ServerCertificate& Certificate() const = 0;
    // "TLS 1.3", from the control connection's handshake.
    virtual const std::string& Version() const = 0;
};

// The TLS module's one export.
extern "C" TlsLayer* VantrelMakeTlsLayer(const std::string& host, const std::string& trustedFingerprint,
                                         std::chrono::milliseconds handshake);

using MakeTlsLayerFunction = decltype(&VantrelMakeTlsLayer);

inline constexpr char kTlsModuleName[] = "libvantrel-tls.so";
inline constexpr char kMakeTlsLayerSymbol[] = "VantrelMakeTlsLayer";

// Loads the module beside the engine (once per process) and makes the layer;
// null, with `error` naming the module and why, when it cannot be loaded.
std::unique_ptr<TlsLayer> MakeTlsLayer(const std::string& host, const std::string& trustedFingerprint,
                                       std::chrono::milliseconds handshake, std::string& error);
