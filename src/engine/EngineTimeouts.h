#pragma once
#include <chrono>

// Bounded waits of the FTP engine; tests shorten them.
struct EngineTimeouts {
    std::chrono::milliseconds connect{15000};
    std::chrono::milliseconds reply{30000};        // a whole reply, not per byte
    std::chrono::milliseconds dataAccept{30000};   // the server's data connection
    std::chrono::milliseconds dataIdle{60000};     // no byte moved on the data connection
};
