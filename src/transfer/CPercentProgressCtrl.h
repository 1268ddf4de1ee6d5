#pragma once
#include <wx/colour.h>
#include <wx/control.h>

class wxDC;
class wxPaintEvent;
class wxSizeEvent;

// The progress bar under the file list. It draws everything itself: a filled
// and an empty part, and one line of text centred across the whole bar that
// changes colour exactly where the fill ends. The text is the one given with
// SetText or, when that is empty, the filled share as a percentage.
//
// Range and position are 64-bit (unlike a platform bar's int) so the bar can
// run over a file of several gigabytes in bytes.
class CPercentProgressCtrl : public wxControl {
public:
    // For two-step creation; until Create the control has no window.
    CPercentProgressCtrl();
    CPercentProgressCtrl(wxWindow* parent, wxWindowID id, const wxPoint& position = wxDefaultPosition,
        const wxSize& size = wxDefaultSize);

    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& position = wxDefaultPosition,
        const wxSize& size = wxDefaultSize);

    // No repaint: the next SetPos decides.
    void SetRange(long long lower, long long upper);

    // Returns the previous position, or -1 (changing nothing) when the control
    // has no window. Repaints before returning, but only when the filled width
    // in pixels changes, so a stream of small steps costs nothing.
    long long SetPos(long long newPos);
    long long GetPos() const { return pos; }

    int SetStep(int step);
    // Advances by the step size; returns the previous position like SetPos.
    long long StepIt();

    // Marks the bar for repainting only when the text really changes.
    void SetText(const wxString& newText);
    const wxString& GetText() const { return text; }

    void SetShowText(bool show);

    // The filled width of the last SetPos that repainted; -1 when none has
    // since the control was created or resized.
    int GetBarWidth() const { return barWidth; }

    // Draws the whole bar for a client area of `size` on `dc`; the paint
    // handler draws through it, and so can anyone who wants the picture.
    void Render(wxDC& dc, const wxSize& size) const;

    const wxColour& GetBarColor() const { return barColor; }
    const wxColour& GetBackColor() const { return backColor; }
    const wxColour& GetTextColor() const { return textColor; }
    const wxColour& GetTextOnBarColor() const { return textOnBarColor; }

    // A display only: Tab passes it by.
    bool AcceptsFocus() const override { return false; }

protected:
    wxSize DoGetBestSize() const override;

private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    wxString DisplayedText() const;
    // What a screen reader hears: the share and the text shown.
    void TellAssistiveTechnology();
    void DrawTextClipped(wxDC& dc, const wxRect& clip, const wxRect& client, const wxString& shown,
        const wxColour& colour) const;

    long long pos = 0;
    int stepSize = 1;
    long long rangeUpper = 100;
    long long rangeLower = 0;
    wxString text;
    bool showText = true;
    int barWidth = -1;
    // The percentage shown (when there is no text) at the last SetPos that
    // repainted.
    wxString percentAtRepaint;
    // Read once: the bar keeps the colours of the theme it started with.
    wxColour barColor;
    wxColour backColor;
    wxColour textColor;
    wxColour textOnBarColor;
};
