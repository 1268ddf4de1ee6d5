#pragma once
#include <array>

class wxWindow;

struct ToolTipEntry {
    int controlId;
    const char* text;
};

// The main window's tooltips, in the order they are installed.
const std::array<ToolTipEntry, 23>& ToolTipTable();

// Longest line of a tooltip, in pixels of the tooltip font.
inline constexpr int kToolTipMaxWidth = 200;

// Gives each control of the table, a child of `dialog` found by its id, its
// tip (wrapped to kToolTipMaxWidth), and sets the tooltips' timing: shown
// after 200 ms, for 5 s.
void InstallToolTips(wxWindow* dialog);
