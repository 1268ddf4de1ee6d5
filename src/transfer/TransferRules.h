#pragma once
#include "platform/TextCase.h"
#include "engine/TransferTypes.h"

#include <string>
#include <vector>

// The transfer-mode radio group of the main window.
enum TransferMode : int {
    TRANSFER_MODE_ASCII = 0,
    TRANSFER_MODE_BINARY = 1,
    TRANSFER_MODE_AUTO = 2,
};

// The entries of a text-extension list in its stored text form. Every entry
// is closed by one space; whatever follows the last space is not an entry,
// two adjacent spaces close an empty entry, and a text that starts with a
// space reads as no entries at all. The dialog writes lists in this form and
// the settings keep them, so the rule is kept exactly, quirks included.
std::vector<std::string> ReadExtList(const std::string& text);

// The extension of the last path component without its dot: "tar.gz" gives
// "gz", "Makefile" and "name." give "".
std::string PathExtension(const std::string& path);

// ASCII for mode 0, binary for mode 1; any other mode (Auto, or none chosen
// yet) looks the path's extension up in the list, ignoring case.
TransferType GetTransferType(int transferMode, const std::string& asciiExtList, const std::string& path);

// The name the save dialog proposes for the remote `name` (valid UTF-8, as
// shown): its last path component, with control characters and the marks
// that turn the shown text around (U+202E and its kin) made '_', cut at a
// character boundary to the longest name a local file may have. Empty for
// "." and "..", so the user types a name of his own.
std::string ProposedLocalName(const std::string& name);
