#include "transfer/CPercentProgressCtrl.h"

#include "platform/AccessibleProgress.h"
#include "platform/Text.h"
#include "transfer/ProgressGeometry.h"
#include "transfer/TextContrast.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>

#include <algorithm>
#include <utility>

// The theme's colours, the texts' made readable where the theme's pairs are
// not (Adwaita's blue on white, and its dark theme's blue and window colour
// on its dark menu colour and blue, measure 1.8 to 3.8 : 1).
CPercentProgressCtrl::CPercentProgressCtrl()
    : barColor(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT))
    , backColor(wxSystemSettings::GetColour(wxSYS_COLOUR_MENU))
    , textColor(ReadableOn(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT), backColor))
    , textOnBarColor(ReadableOn(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW), barColor))
{
}

CPercentProgressCtrl::CPercentProgressCtrl(wxWindow* parent, wxWindowID id, const wxPoint& position,
    const wxSize& size)
    : CPercentProgressCtrl()
{
    Create(parent, id, position, size);
}

bool CPercentProgressCtrl::Create(wxWindow* parent, wxWindowID id, const wxPoint& position, const wxSize& size)
{
    // The paint covers every pixel, so the background is never erased first
    // (no flicker at progress updates).
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!wxControl::Create(parent, id, position, size, wxBORDER_NONE))
        return false;
    Bind(wxEVT_PAINT, &CPercentProgressCtrl::OnPaint, this);
    Bind(wxEVT_SIZE, &CPercentProgressCtrl::OnSize, this);
    ExposeAsProgressBar(*this);
    TellAssistiveTechnology();
    return true;
}

void CPercentProgressCtrl::SetRange(long long lower, long long upper)
{
    rangeLower = lower;
    rangeUpper = upper;
}

long long CPercentProgressCtrl::SetPos(long long newPos)
{
    if (!GetHandle())
        return -1;
    const long long previous = pos;
    pos = newPos;
    // Past the end of the range (a file larger than its listing) the bar is
    // full already, and stays so: only what the user can see changing
    // repaints, or a download reported every 1000 bytes would keep the
    // window painting and deaf to Abort.
    const int clientWidth = GetClientSize().GetWidth();
    const int width =
        std::clamp(ProgressGeometry(rangeLower, rangeUpper, pos).FilledWidth(clientWidth), 0, clientWidth);
    const wxString percent = text.empty() ? DisplayedText() : wxString();
    if (width != barWidth || percent != percentAtRepaint) {
        barWidth = width;
        percentAtRepaint = percent;
        Refresh();
        Update();
    }
    TellAssistiveTechnology();
    return previous;
}

int CPercentProgressCtrl::SetStep(int step)
{
    return std::exchange(stepSize, step);
}

long long CPercentProgressCtrl::StepIt()
{
    return SetPos(pos + stepSize);
}

void CPercentProgressCtrl::SetText(const wxString& newText)
{
    if (newText == text)
        return;
    text = newText;
    Refresh();
    TellAssistiveTechnology();
}

void CPercentProgressCtrl::SetShowText(bool show)
{
    if (show == showText)
        return;
    showText = show;
    Refresh();
}

void CPercentProgressCtrl::Render(wxDC& dc, const wxSize& size) const
{
    // An empty range has no share: the bar is drawn empty, with the text if
    // there is one, so every paint still completes with a full picture.
    const wxRect client(wxPoint(0, 0), size);
    const int filledWidth = std::clamp(
        ProgressGeometry(rangeLower, rangeUpper, pos).FilledWidth(client.GetWidth()), 0, client.GetWidth());
    const wxRect filled(client.GetLeft(), client.GetTop(), filledWidth, client.GetHeight());
    const wxRect empty(filled.GetRight() + 1, client.GetTop(), client.GetWidth() - filledWidth,
        client.GetHeight());

    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(barColor));
    dc.DrawRectangle(filled);
    dc.SetBrush(wxBrush(backColor));
    dc.DrawRectangle(empty);
    if (!showText)
        return;
    const wxString shown = DisplayedText();
    dc.SetFont(GetFont());
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    DrawTextClipped(dc, filled, client, shown, textOnBarColor);
    DrawTextClipped(dc, empty, client, shown, textColor);
}

wxSize CPercentProgressCtrl::DoGetBestSize() const
{
    return FromDIP(wxSize(100, 16));
}

void CPercentProgressCtrl::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    Render(dc, GetClientSize());
}

void CPercentProgressCtrl::OnSize(wxSizeEvent& event)
{
    event.Skip();
    barWidth = -1;
}

wxString CPercentProgressCtrl::DisplayedText() const
{
    if (!text.empty())
        return text;
    return FromUtf8(ProgressGeometry(rangeLower, rangeUpper, pos).PercentText());
}

void CPercentProgressCtrl::TellAssistiveTechnology()
{
    ReportAccessibleProgress(*this, ProgressGeometry(rangeLower, rangeUpper, pos).Percent(), DisplayedText());
}

// One of the two passes that together show the string once: each draws it
// centred in the whole bar but lets only the part over its own rectangle show.
void CPercentProgressCtrl::DrawTextClipped(wxDC& dc, const wxRect& clip, const wxRect& client,
    const wxString& shown, const wxColour& colour) const
{
    if (clip.IsEmpty())
        return;
    wxDCClipper clipper(dc, clip);
    dc.SetTextForeground(colour);
    const wxSize extent = dc.GetTextExtent(shown);
    dc.DrawText(shown, client.GetLeft() + (client.GetWidth() - extent.GetWidth()) / 2,
        client.GetTop() + (client.GetHeight() - extent.GetHeight()) / 2);
}
