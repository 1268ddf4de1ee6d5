#include "platform/ProgramFiles.h"

#include <filesystem>

std::string ExecutableDir()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
}

std::string BesideProgramOr(const std::string& executableDir, const std::string& relativePath,
                            const std::string& installedDir)
{
    std::error_code error;
    if (!executableDir.empty()) {
        const std::filesystem::path buildCopy = std::filesystem::path(executableDir) / relativePath;
        if (std::filesystem::is_regular_file(buildCopy, error))
            return buildCopy.string();
    }
    return (std::filesystem::path(installedDir) / relativePath).string();
}
