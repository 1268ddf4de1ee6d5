#include "platform/ProgramFiles.h"

#include <filesystem>

std::string ExecutableDir()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
}

std::string BesideProgramOr(const std::string& executableDir, const std::string& relativePath,
                            const std::string& installedFromProgram)
{
    const std::filesystem::path programDir(executableDir);
    std::error_code error;
    const std::filesystem::path buildCopy = programDir / relativePath;
    if (!executableDir.empty() && std::filesystem::is_regular_file(buildCopy, error))
        return buildCopy.string();
    // Normal form, so that a message naming a missing file names its real folder.
    return (programDir / installedFromProgram / relativePath).lexically_normal().string();
}
