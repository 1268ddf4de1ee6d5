#pragma once
#include <string>

// Replaces a file whole, so that a crash, a kill or a power cut at any moment
// leaves either the old contents or the new ones, never a mix, an empty file
// or no file: the new contents go to a new file in the same folder (0600),
// are flushed to the disk, renamed over the old file, and the folder is
// flushed so that the rename itself lasts. The old file is never removed
// first.
class AtomicFile {
public:
    // The moments of a write, in order; a test can end the process at one.
    enum class Step { Created, Written, Flushed, Renamed };
    using StepHook = void (*)(Step);

    // Called at each step of every later write (nullptr: none). For tests
    // that kill a child process half-way through a write.
    static void SetStepHook(StepHook hook);

    // On failure the old file is left as it was, the new file is removed,
    // and `error` says why in plain words.
    static bool Write(const std::string& path, const std::string& contents, std::string& error);
};
