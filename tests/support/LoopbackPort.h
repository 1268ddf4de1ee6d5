#pragma once
#include <cstdint>

// A loopback port that nothing listens on right now (bound once by the
// kernel's choice and released). Throws std::runtime_error when none is had.
std::uint16_t UnusedLoopbackPort();
