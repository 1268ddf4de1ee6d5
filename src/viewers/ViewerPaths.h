#pragma once
#include <string>

// The part of a viewer command the configure dialog shows: its last path
// component, so "notepad.exe" stays itself and "/usr/bin/less" shows "less".
std::string ViewerDisplayName(const std::string& path);

// Where the file dialog for a viewer opens: the directory of the current
// command with its trailing "/" and the file name in it; "./" and no name for
// a bare program name.
struct BrowseStart {
    std::string directory;
    std::string fileName;
};

BrowseStart BrowseStartFor(const std::string& currentPath);
