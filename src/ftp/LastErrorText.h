#pragma once
#include <string>

// The text for the calling thread's last error: the server's last response
// for an error reply, else the system's (or the engine's) message for the
// code, else "Last Error = <code>". Call it right after the failing call.
std::string LastErrorText();
