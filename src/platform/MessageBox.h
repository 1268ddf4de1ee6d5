#pragma once
#include <string>

class wxWindow;

// The message-box styles and answers the program's texts are written for.
enum MessageBoxStyle : unsigned {
    MB_OK = 0x0,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONHAND = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
};

enum MessageBoxAnswer : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};

// The captions of a MB_YESNOCANCEL box's buttons, which say what each does
// ("&Resume", "Re&place", "&Cancel", with their access keys); the answers stay IDYES, IDNO and IDCANCEL.
struct ButtonLabels {
    std::string yes;
    std::string no;
    std::string cancel;
};

// Shows a modal box owned by `owner`, with the toolkit's captions unless
// `labels` are given; texts are UTF-8. Returns the button pressed.
int MessageBox(wxWindow* owner, const std::string& text, const std::string& caption, unsigned style,
               const ButtonLabels& labels = {});

// Answers Cancel to every modal dialog open over `owner` (message boxes,
// file choosers, the program's own dialogs), so that the code that opened
// each goes on as after a Cancel. True when there was one.
bool CancelOpenDialogs(const wxWindow* owner);

// The plain beep that answers a command the current state does not allow.
void MessageBeep();

// How many plain beeps have sounded in this process; lets tests see a beep.
int BeepCount();
