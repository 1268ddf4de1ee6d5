#pragma once
#include <functional>

// SIGTERM (the desktop's logout, "End Process"), SIGHUP (the terminal gone)
// and SIGINT (Ctrl+C) ask the program to close as the close box does. The
// handler only writes a byte into a pipe; the main loop watches the pipe and
// calls `onClose` on the user-interface thread, where wx may be used. A
// second signal while that runs ends the process at once, by the signal.
// One instance at a time; the earlier handlers come back when it goes.
class CloseSignals {
public:
    explicit CloseSignals(std::function<void()> onClose);
    ~CloseSignals();

    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

private:
    std::function<void()> onClose;
    unsigned watch = 0;
};
