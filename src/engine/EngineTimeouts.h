#pragma once
#include <chrono>
#include <cstddef>

// Bounded waits of the FTP engine; tests shorten them.
struct EngineTimeouts {
    std::chrono::milliseconds connect{15000};
    std::chrono::milliseconds reply{30000};        // a whole reply, not per byte
    // A data connection not made by then is tried in the other mode.
    std::chrono::milliseconds dataAccept{10000};   // the server's connection to us (active)
    std::chrono::milliseconds dataConnect{10000};  // ours to the server (passive)
    std::chrono::milliseconds dataIdle{60000};     // no byte moved on the data connection
    std::chrono::milliseconds handshake{15000};    // a whole TLS handshake, control or data
    // A listing slower than this, over any such window, is cut off: 4 KB in
    // 10 s, where a 10 MB listing over a 1 Mbit/s link comes at 125 KB/s.
    std::chrono::milliseconds listingWindow{10000};
    std::size_t listingWindowBytes = 4096;
};
