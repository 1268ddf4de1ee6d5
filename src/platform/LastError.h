#pragma once
#include "engine/EngineResult.h"

#include <string>

// The calling thread's last error, in place of the Windows one: a code and,
// for an error reply of the server, the server's last response text. The
// engine reports results; this layer turns them into the thread's last
// error, which every message of the window reads.
void SetLastError(int code, std::string response = {});
// Takes a failed result as the last error; true for success, which leaves
// the last error as it was.
bool TakeResult(const EngineResult& result);
int GetLastError();

// The server's last response for the current error, as InternetGetLastResponseInfo
// gave it: empty unless the last error came from a server reply.
const std::string& GetLastResponseInfo();

// A plain English text for a code: the system's for errno values, ours for the
// engine's Internet numbers; empty when there is none.
std::string SystemMessage(int code);
