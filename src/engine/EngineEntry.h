#pragma once
#include "engine/EngineTimeouts.h"
#include "engine/TlsTypes.h"

class FtpConnection;

// The FTP engine is a module of its own, loaded at the first login, so that
// a start-up maps none of the socket library. This is the one function it
// exports: it connects, reads the greeting, asks FEAT, sets up TLS when the
// request's policy says so, logs in and protects the data connections. On
// failure it returns null, sets the thread's last error and says why in
// outcome.failure (the server's reply or the network cause) when it can;
// a certificate that did not verify is described in outcome.certificate.
extern "C" FtpConnection* VantrelOpenFtpConnection(const EngineTimeouts& timeouts, const FtpLoginRequest& request,
                                                   FtpLoginOutcome& outcome);

using OpenFtpConnectionFunction = decltype(&VantrelOpenFtpConnection);

inline constexpr char kEngineModuleName[] = "libvantrel-engine.so";
inline constexpr char kOpenFtpConnectionSymbol[] = "VantrelOpenFtpConnection";
