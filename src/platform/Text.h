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

// The bytes to send for a name the user was shown as DisplayName(original)
// and handed back as `entered` (UTF-8): the original bytes when it is
// unchanged, so a name that is not UTF-8 reaches the server as it came;
// an edited one in the original's encoding (Latin-1) where every character
// fits it, else as UTF-8.
std::string NameBytesFromDisplay(const std::string& original, const std::string& entered);
