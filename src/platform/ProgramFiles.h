#pragma once
#include <string>

// The program's own files (its guide, its FTP engine) sit beside the running
// program in a build, and in a folder found from the program's own folder
// once installed, so an install works from any prefix it is copied to.

// The folder of the running program; empty when it cannot be told.
std::string ExecutableDir();

// executableDir/relativePath when that is a regular file (a build), else
// executableDir/installedFromProgram/relativePath (an install), where
// installedFromProgram is relative to the program's folder, such as
// "../lib/vantrel".
std::string BesideProgramOr(const std::string& executableDir, const std::string& relativePath,
                            const std::string& installedFromProgram);
