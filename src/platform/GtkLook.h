#pragma once
#include <functional>

class wxComboBox;
class wxMenu;
class wxString;
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

// Runs `change` on a combo box's items with its drop-down menu detached,
// and gives the menu the items once afterwards. GTK's menu keeps a widget
// and a row reference per item and updates every reference on each item
// added or removed: for thousands of items, minutes.
void WithoutPopupUpdates(wxComboBox* box, const std::function<void()>& change);

// Narrows the edit's side padding and, where that is not enough, its font, so
// that `widest` shows whole inside the edit's own width at any scale (a box
// the template made narrower than its font's text).
void ShowWholeText(wxTextCtrl* edit, const wxString& widest);

// False where the windowing system neither tells a window where it stands
// nor lets it choose (Wayland): a position read there is made up.
bool WindowPositionsKnown();
