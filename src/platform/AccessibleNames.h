#pragma once

class wxStaticText;
class wxWindow;

// Names `control` for screen readers by the label the template puts beside
// it, as GTK would for a label made with a mnemonic: the label is "label
// for" the control, and the control's accessible name is the label's text
// with its line breaks read as spaces ("Port (21)"). A combo box with an
// edit is named in both, as the focus lands in its edit.
void NameByLabel(wxWindow* control, const wxStaticText& label);
