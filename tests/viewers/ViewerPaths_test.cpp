#include "viewers/ViewerPaths.h"

#include <gtest/gtest.h>

namespace {

TEST(ViewerDisplayName, IsTheLastPathComponent)
{
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"notepad.exe", "notepad.exe"},
        {"/usr/bin/less", "less"},
        {"/opt/My Tools/show.exe", "show.exe"},
        {"./run.sh", "run.sh"},
        {"/usr/bin/", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ViewerDisplayName(c.path), c.name) << c.path;
}

TEST(BrowseStartFor, SplitsAtTheLastSlash)
{
    struct Case {
        const char* path;
        const char* directory;
        const char* fileName;
    } cases[] = {
        {"notepad.exe", "./", ""},
        {"", "./", ""},
        {"/usr/bin/less", "/usr/bin/", "less"},
        {"/opt/My Tools/show.exe", "/opt/My Tools/", "show.exe"},
        {"/eog", "/", "eog"},
        {"/usr/bin/", "/usr/bin/", ""},
    };
    for (const Case& c : cases) {
        const BrowseStart start = BrowseStartFor(c.path);
        EXPECT_EQ(start.directory, c.directory) << c.path;
        EXPECT_EQ(start.fileName, c.fileName) << c.path;
    }
}

} // namespace
