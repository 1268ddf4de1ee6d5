#pragma once
#include "engine/EngineTimeouts.h"

#include <cstdint>
#include <string>

class FtpConnection;

// The FTP engine is a module of its own, loaded at the first login, so that
// a start-up maps none of the socket library. This is the one function it
// exports: it connects, reads the greeting, logs in and asks FEAT. On
// failure it returns null, sets the thread's last error and says why in
// failure (the server's reply or the network cause) when it can.
extern "C" FtpConnection* VantrelOpenFtpConnection(const EngineTimeouts& timeouts, const std::string& host,
                                                   std::uint16_t port, const std::string& user,
                                                   const std::string& password, std::string& failure);

using OpenFtpConnectionFunction = decltype(&VantrelOpenFtpConnection);

inline constexpr char kEngineModuleName[] = "libvantrel-engine.so";
inline constexpr char kOpenFtpConnectionSymbol[] = "VantrelOpenFtpConnection";
