#pragma once
// Helpers for tests that drive real windows.
#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <string>

// Expects a message box with exactly this text, caption and icon, and answers
// it with `answer` (wxID_OK, wxID_YES or wxID_NO).
class ExpectMessageBox : public wxExpectModalBase<wxMessageDialog, ExpectMessageBox> {
public:
    ExpectMessageBox(const std::string& text, const std::string& caption, long icon, int answer = wxID_OK)
        : text(text), caption(caption), icon(icon), answer(answer) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override;

private:
    std::string text;
    std::string caption;
    long icon;
    int answer;
};

// The same box, noting in `seen` that it came, for boxes that real input
// events bring up while the test pumps events.
class SeenMessageBox : public ExpectMessageBox {
public:
    SeenMessageBox(bool* seen, const std::string& text, const std::string& caption, long icon)
        : ExpectMessageBox(text, caption, icon), seen(seen) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        *seen = true;
        return ExpectMessageBox::OnInvoked(dialog);
    }

private:
    bool* seen;
};

// Lets pending events (queued worker messages, posted notices, timers) run.
void PumpEvents();

// Pumps events until `done` returns true or `seconds` have passed.
template <class Predicate>
bool PumpUntil(Predicate done, double seconds = 10.0);

#include "support/GuiTestHelpers.inl"
