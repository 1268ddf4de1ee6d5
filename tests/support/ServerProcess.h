#pragma once
#include <cstdint>
#include <string>
#include <sys/types.h>

// Ends a test server started with fork (if it was) and removes its folder;
// what the fixtures' destructors share.
void StopServer(pid_t process, const std::string& folder);

// Waits until a server started with fork accepts connections on
// 127.0.0.1:`port`; throws std::runtime_error naming `name` when it ends
// first (then `process` is -1) or takes longer than 15 seconds.
void AwaitListening(pid_t& process, std::uint16_t port, const std::string& name);
