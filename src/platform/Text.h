#pragma once
#include <wx/string.h>

#include <string>

// The program keeps its texts as UTF-8 bytes, as they travel on the wire and
// sit in the settings; wx gets them converted at the controls.
wxString FromUtf8(const std::string& text);
std::string ToUtf8(const wxString& text);

// A name as the server sent it, shown readably even when it is not valid
// UTF-8 (each stray byte is taken as Latin-1).
wxString DisplayName(const std::string& bytes);
