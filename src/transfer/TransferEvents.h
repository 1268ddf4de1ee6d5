#pragma once
#include <wx/event.h>

// The transfer worker's events to the main window, queued in the order the
// worker sends them and handled on the user-interface thread.
//
// WM_TRANSFER_ERROR: the event's string is the error text, its payload the
// caption (std::string), copied so that later status lines cannot change them.
// WM_TRANSFER_PROGRESS: extra long = bytes copied so far; 0 with the final line.
// While 16 reports wait untaken, a chunk's report is left out; the final one
// always comes.
// WM_TRANSFER_DONE: the worker's last act on every path.
wxDECLARE_EVENT(WM_TRANSFER_ERROR, wxThreadEvent);
wxDECLARE_EVENT(WM_TRANSFER_PROGRESS, wxThreadEvent);
wxDECLARE_EVENT(WM_TRANSFER_DONE, wxThreadEvent);
