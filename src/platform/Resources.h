#pragma once
#include <wx/bitmap.h>
#include <wx/string.h>

class wxDialog;
class wxMenu;
class wxMenuItem;
class wxWindow;

// Makes the compiled-in res/ files known to the XRC loader; call once at start.
void InitResources();

// Creates `dialog` from the template named `name` in res/ and gives every
// child whose XRC name is a number that number as its window ID, so handlers
// bind to the control IDs of the templates. Names "1" and "2" become the
// standard OK and Cancel IDs.
bool LoadDialogTemplate(wxDialog* dialog, wxWindow* parent, const wxString& name);

// The first popup of the menu bar named `name` in res/; the caller owns it.
// Items named by a number send menu events with that number as the id, also
// the numbers from 0x7fff up that wxMenuItem refuses as ids: those items
// carry a stand-in id that the popup turns back into the number.
wxMenu* LoadPopupMenu(const wxString& name);

// The command number an item of such a popup sends.
int MenuItemCommand(const wxMenuItem& item);

// A picture from res/ by file name.
wxBitmap LoadResourceBitmap(const wxString& fileName);
