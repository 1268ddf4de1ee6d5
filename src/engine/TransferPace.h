#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>

// The slowest a transfer may come: fewer than `minBytes` in any whole window
// of `window` is too slow. A server that trickles its bytes never trips the
// idle timeout, and a listing waits on the window's thread.
class TransferPace {
public:
    using Clock = std::chrono::steady_clock;

    TransferPace(std::size_t minBytes, std::chrono::milliseconds window, Clock::time_point start)
        : minBytes(minBytes), window(window), windowStart(start)
    {
    }

    // After `total` bytes in all at `now`: false once a window has ended
    // with fewer than minBytes in it.
    bool Keeps(std::uint64_t total, Clock::time_point now)
    {
        if (now - windowStart < window)
            return true;
        if (total - totalAtWindowStart < minBytes)
            return false;
        windowStart = now;
        totalAtWindowStart = total;
        return true;
    }

private:
    std::size_t minBytes;
    std::chrono::milliseconds window;
    Clock::time_point windowStart;
    std::uint64_t totalAtWindowStart = 0;
};
