#include "transfer/DropRules.h"

#include <sys/stat.h>

DroppedUpload ChooseDroppedUpload(const std::vector<std::string>& paths)
{
    if (paths.empty())
        return {};
    struct stat info {};
    if (stat(paths.front().c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return {paths.front(), paths.size() - 1};
}

std::string LeftOutText(std::size_t leftOut)
{
    if (leftOut == 0)
        return {};
    if (leftOut == 1)
        return "1 other file not uploaded (one file at a time)";
    return std::to_string(leftOut) + " other files not uploaded (one file at a time)";
}
