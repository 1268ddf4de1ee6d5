#pragma once
// What a drop of local paths on the window uploads: one file at a time.
#include <cstddef>
#include <string>
#include <vector>

struct DroppedUpload {
    // The file to upload, empty when the drop is refused (nothing local, or
    // the first path is not a regular file).
    std::string path;
    // The dropped paths left out after the first.
    std::size_t leftOut = 0;
};

// Looks at the file system: the first path must name a regular file (a
// link to one counts).
DroppedUpload ChooseDroppedUpload(const std::vector<std::string>& paths);

// The status line's word on the paths left out, empty for none.
std::string LeftOutText(std::size_t leftOut);
