#pragma once
#include <string>

// Loads the module at `path` (by its full path, never by a bare name the
// loader would look up along its own search path) and finds `symbol` in it.
// Null when either fails, with `error` naming the file and why; a library
// without the symbol is let go again, as nothing of it was used. A module
// that loaded is kept for the rest of the process.
void* LoadModuleEntry(const std::string& path, const char* symbol, std::string& error);

// The module `name` from the folder of the loaded file (a module or the
// program) that holds the code at `anchor`, never from the working
// directory: an unknown folder is a load error.
void* LoadSiblingModuleEntry(const void* anchor, const char* name, const char* symbol, std::string& error);
