#pragma once
#include <csignal>
#include <cstdint>
#include <string>
#include <sys/types.h>

// Makes a fresh folder /tmp/vantrel-<name>-XXXXXX for a test server's files
// and returns it; throws std::runtime_error naming `name` when it cannot.
std::string MakeServerFolder(const std::string& name);

// Ends a test server started with fork (if it was) and removes its folder;
// what the fixtures' destructors share.
void StopServer(pid_t process, const std::string& folder);

// Ends the server `process` (SIGTERM, then waits) and sets it to -1, for a
// server that starts again with new keys on the same port.
void EndServerProcess(pid_t& process);

// Kills every process below the server `process` (its sessions), leaving the
// listener, as a server that crashed mid-transfer: their sockets close at
// once. SIGSTOP instead stalls them, as a server that hangs.
void KillSessionsOf(pid_t process, int signal = SIGKILL);

// Waits (15 s at most) until the server started as `process` accepts on the
// loopback `port`; throws std::runtime_error naming `name` when it ended
// before (`process` is then -1) or took longer.
void WaitForListener(pid_t& process, std::uint16_t port, const std::string& name);

// Writes `contents` to `relative` below a test server's `root`, making the
// folders on the way; throws std::runtime_error when it cannot.
void WriteServerFile(const std::string& root, const std::string& relative, const std::string& contents);
