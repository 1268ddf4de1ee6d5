#include "viewers/ViewerPaths.h"

std::string ViewerDisplayName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

BrowseStart BrowseStartFor(const std::string& currentPath)
{
    const std::size_t slash = currentPath.rfind('/');
    if (slash == std::string::npos)
        return {"./", ""};
    return {currentPath.substr(0, slash + 1), currentPath.substr(slash + 1)};
}
