#pragma once
// Drives the program's own modal dialogs for real: the dialog is shown and
// initialised as for the user, then inspected and closed from inside its
// modal loop.
#include <wx/app.h>
#include <wx/window.h>

#include <functional>

// Presses button `id` of `window` as a click would.
inline void PressButton(wxWindow& window, int id)
{
    wxWindow* button = window.FindWindow(id);
    if (!button)
        return;
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
}

// Shows `dialog` with DoModal; once it is up, runs `whileShown` and then
// presses `closeWith`. Returns what DoModal returned.
template <class Dialog>
int ShowAndPress(Dialog& dialog, int closeWith, std::function<void()> whileShown = {})
{
    wxTheApp->CallAfter([&dialog, closeWith, whileShown] {
        if (whileShown)
            whileShown();
        PressButton(dialog, closeWith);
    });
    return dialog.DoModal();
}
