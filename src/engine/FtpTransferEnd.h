#pragma once
#include "engine/EngineResult.h"
#include "engine/FtpReply.h"

#include <atomic>
#include <chrono>

class FtpControlChannel;

// The end of one transfer on the control connection: ABOR when it was cut
// short, the server's final reply, and the connection handed back for other
// commands. A data connection ends through this object alone, never by
// calling back into the session that opened it.
class FtpTransferEnd {
public:
    // `busy` is the session's mark, released at the end when the file holds
    // it (a file opened by the user); null when the caller keeps it (a listing).
    FtpTransferEnd(FtpControlChannel& channel, std::atomic<bool>* busy);

    // Reads the final reply (after ABOR when `aborted`); the server's error
    // reply or the connection's failure when the transfer did not succeed.
    EngineResult Finish(bool aborted);
    void Release();
    std::chrono::milliseconds DataIdle() const;

private:
    bool ReadFinalReply(FtpReply& reply);

    FtpControlChannel& channel;
    std::atomic<bool>* busy;
};
