#pragma once
#include "engine/EngineEntry.h"

#include <string>

// The engine module's entry, loaded from beside the program or from the
// installed library folder on the first call and kept for the rest of the
// process (connections it made may still be alive, so it is never unloaded).
// Null when the module cannot be loaded; error then says why. Safe to call
// from any thread.
OpenFtpConnectionFunction LoadEngineModule(std::string& error);

// The same from one given file, each call anew.
OpenFtpConnectionFunction LoadEngineModuleFrom(const std::string& path, std::string& error);
