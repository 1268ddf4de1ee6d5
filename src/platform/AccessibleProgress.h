#pragma once
#include <wx/string.h>

class wxWindow;

// Makes a window that draws a progress bar itself read as one: a screen
// reader sees the role "progress bar", a value from 0 to 100 and the text the
// bar shows. Call once, after the window has its native widget and before it
// is shown; later calls change nothing.
void ExposeAsProgressBar(wxWindow& window);

// Tells assistive technology what the bar now shows; only a change is
// announced. `percent` is clamped to 0..100. Window thread only.
void ReportAccessibleProgress(wxWindow& window, int percent, const wxString& text);
