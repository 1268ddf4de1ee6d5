#pragma once
class wxMenu;
class wxTextCtrl;

// The window is laid out in dialog units for a 12-unit control height; GTK's
// default padding would make buttons and edits taller than that and clip
// their text, so the program tightens it once at start.
void UseCompactControls();

// Shows the entry's text as asterisks or in clear, without recreating it.
void SetPasswordMask(wxTextCtrl* edit, bool masked);

// The width a popup menu will have on screen, known before it is shown, so a
// menu can be placed by its right edge.
int PopupMenuWidth(wxMenu& menu);
