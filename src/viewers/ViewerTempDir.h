#pragma once
#include <string>

// The folder of this run's Open In files: made at the first use, mode 0700
// under TMPDIR, so no other user can plant a name (a FIFO, a link) where a
// download will go; removed with everything in it at close.
class ViewerTempDir {
public:
    ViewerTempDir() = default;
    ~ViewerTempDir() { Remove(); }

    ViewerTempDir(const ViewerTempDir&) = delete;
    ViewerTempDir& operator=(const ViewerTempDir&) = delete;

    // The folder, made now if need be; empty with errno set when it cannot be.
    const std::string& Path();

    // A new empty file in the folder, opened for writing, never one that was
    // there; -1 with errno set. `path` receives its name.
    int CreateStaging(std::string& path);

    // Removes the folder and its files; the next use makes a new one.
    void Remove();

private:
    std::string folder;
    unsigned staged = 0;
};
