#pragma once
// The keys the file list answers besides Enter (which opens a folder through
// the list's own activation): each stands for one of the window's buttons.

// The button (a ControlId) that `keyCode` with exactly `modifiers` (wx key
// codes and wxMOD_ flags) presses in the file list, or 0 for none.
int ButtonForListKey(int keyCode, int modifiers);
