#pragma once
#include <string>
#include <sys/types.h>

// Ends a test server started with fork (if it was) and removes its folder;
// what the fixtures' destructors share.
void StopServer(pid_t process, const std::string& folder);
