#pragma once
#include "engine/EngineTimeouts.h"
#include "engine/TlsTypes.h"

class RemoteFileSystem;

// The FTP engine is a module of its own, loaded at the first login, so that
// a start-up maps none of the socket library. This is the one function it
// exports: it connects, reads the greeting, asks FEAT, sets up TLS when the
// request's policy says so, logs in and protects the data connections. On
// failure it returns null and says why in outcome.result (the server's reply
// or the network cause); a certificate that did not verify is described in
// outcome.certificate. The module takes nothing from the program that loads it.
extern "C" RemoteFileSystem* VantrelOpenFtpConnection(const EngineTimeouts& timeouts, const FtpLoginRequest& request,
                                                      FtpLoginOutcome& outcome);

using OpenFtpConnectionFunction = decltype(&VantrelOpenFtpConnection);

inline constexpr char kEngineModuleName[] = "libvantrel-engine.so";
inline constexpr char kOpenFtpConnectionSymbol[] = "VantrelOpenFtpConnection";
