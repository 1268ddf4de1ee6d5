#pragma once

struct TransferJob;

// The copy loops of a transfer. Each runs on a worker thread of its own, owns
// job->remoteFile from its start, touches no window and ends by queueing
// WM_TRANSFER_DONE to job->notifyWnd.
void DownloadThreadProc(TransferJob* job);
void UploadThreadProc(TransferJob* job);
