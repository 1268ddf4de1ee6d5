#pragma once
#include "transfer/TransferStatus.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class FtpConnection;
class InternetFile;
class wxEvtHandler;

// The record the window hands to a transfer worker. The window fills every
// field but statusText before it starts the worker and does
// not change any while the worker runs.
struct TransferJob {
    TransferDirection direction = TransferDirection::Download;
    std::atomic<int>* runningFlag = nullptr;    // the window's transferInProgress
    wxEvtHandler* notifyWnd = nullptr;          // gets the worker's events
    std::string localPath;
    std::string remoteName;
    std::string statusText;                     // guarded by lock while running
    std::int64_t totalBytes = 0;
    std::unique_ptr<InternetFile> remoteFile;   // owned by the worker once started
    int localFile = -1;                         // an upload's open local file; the worker closes it
    unsigned transferType = 0;                  // line-end conversion for ASCII
    // Where a resumed transfer starts in both files; 0 for a whole one.
    std::int64_t resumeFrom = 0;
    // For the checks after the copy, when the remote file is closed; the
    // window's, which refuses every other use while the worker runs. Null: no checks.
    FtpConnection* connection = nullptr;
    // Progress reports queued to notifyWnd and not yet done with; shared with
    // the reports themselves, which count themselves out when deleted.
    std::shared_ptr<std::atomic<int>> progressInFlight = std::make_shared<std::atomic<int>>(0);
    std::mutex lock;
};
