#pragma once
#include "engine/EngineTimeouts.h"
#include "engine/TlsTypes.h"

class RemoteFileSystem;

// SFTP is a module of the engine's own, the only code on libssh, loaded from
// the engine's folder at the first sftp:// login, so that a login in clear
// or over TLS maps no SSH library. This is its one export: it connects,
// checks the server's host key against the known_hosts files, authenticates
// and opens the SFTP channel. On failure it returns null and says why in
// outcome.result; an unknown host key is described in outcome.hostKey.
extern "C" RemoteFileSystem* VantrelOpenSftpConnection(const EngineTimeouts& timeouts, const FtpLoginRequest& request,
                                                       FtpLoginOutcome& outcome);

using OpenSftpConnectionFunction = decltype(&VantrelOpenSftpConnection);

inline constexpr char kSftpModuleName[] = "libvantrel-sftp.so";
inline constexpr char kOpenSftpConnectionSymbol[] = "VantrelOpenSftpConnection";

// Loads the module beside the engine (once per process) and logs in through
// it; a module that cannot be loaded is a login failure naming the file.
RemoteFileSystem* OpenSftpConnection(const EngineTimeouts& timeouts, const FtpLoginRequest& request,
                                     FtpLoginOutcome& outcome);
