#pragma once
#include <string>

// Hands an address (a mailto: link, a file:// URL) to the desktop's opener,
// xdg-open, as one argument without a shell, and does not wait for it.
// False when the opener cannot be started; the last error (platform/LastError.h)
// then tells why.
bool ShellOpen(const std::string& address);
