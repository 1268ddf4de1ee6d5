#pragma once
#include <wx/bitmap.h>
#include <wx/string.h>

class wxDialog;
class wxMenu;
class wxMenuItem;
class wxWindow;

// Readies the pictures of the compiled-in res/ files; call once at start.
void InitResources();

// Creates `dialog` from the template named `name` in res/ (see
// TemplateBuilder): every control whose name is a number gets that number as
// its window ID, so handlers bind to the control IDs of the templates. False
// if there is no such template or it holds what the builder does not know.
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
