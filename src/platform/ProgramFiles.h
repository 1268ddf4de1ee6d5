#pragma once
#include <string>

// The program's own files (its guide, its FTP engine) sit beside the running
// program in a build and in their installed folder otherwise.

// The folder of the running program; empty when it cannot be told.
std::string ExecutableDir();

// executableDir/relativePath when that is a regular file, else
// installedDir/relativePath.
std::string BesideProgramOr(const std::string& executableDir, const std::string& relativePath,
                            const std::string& installedDir);
