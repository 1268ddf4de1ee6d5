#pragma once
#include "viewers/ViewerLaunch.h"

#include <string>

// Starts the desktop's default program for `contentType` (as the user's
// mimeapps.list and the installed desktop entries name it) on `file`, with
// that program's own command line, and does not wait for it. Only the given
// type is asked about: the file's name and contents play no part.
//
// NotFound with errno ENOENT when the desktop names no program for the type;
// Failed with errno set when the program cannot be started.
LaunchResult StartDesktopDefault(const std::string& contentType, const std::string& file);
