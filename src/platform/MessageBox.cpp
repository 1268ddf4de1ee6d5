#include "platform/MessageBox.h"

#include "platform/Text.h"

#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <gtk/gtk.h>

#include <atomic>
#include <set>

namespace {

std::atomic<int> beeps{0};

long WxStyle(unsigned style)
{
    long wx = (style & MB_YESNO) ? wxYES_NO : wxOK;
    switch (style & 0xF0) {
    case MB_ICONHAND: wx |= wxICON_ERROR; break;
    case MB_ICONQUESTION: wx |= wxICON_QUESTION; break;
    case MB_ICONEXCLAMATION: wx |= wxICON_WARNING; break;
    case MB_ICONINFORMATION: wx |= wxICON_INFORMATION; break;
    default: break;
    }
    if (style & MB_DEFBUTTON2)
        wx |= wxNO_DEFAULT;
    return wx;
}

// Box texts carry server replies and remote names, which may hold any byte:
// a NUL would end the text there, other control characters show as boxes or
// nothing. Line breaks stay.
wxString Printable(const std::string& text)
{
    std::string shown = text;
    for (char& c : shown) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F)
            c = '?';
    }
    return FromUtf8(shown);
}

} // namespace

int MessageBox(wxWindow* owner, const std::string& text, const std::string& caption, unsigned style)
{
    wxMessageDialog box(owner, Printable(text), FromUtf8(caption), WxStyle(style));
    switch (box.ShowModal()) {
    case wxID_YES: return IDYES;
    case wxID_NO: return IDNO;
    default: return IDOK;
    }
}

bool CancelOpenDialogs(const wxWindow* owner)
{
    bool cancelled = false;
    std::set<void*> ownedByWx;
    for (wxWindow* window : wxTopLevelWindows) {
        ownedByWx.insert(window->GetHandle());
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog != owner && dialog->IsModal()) {
            dialog->EndModal(wxID_CANCEL);
            cancelled = true;
        }
    }
    // wx shows its message boxes as GTK's own dialogs, each in a loop of
    // GTK's, outside wx's list of windows.
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next) {
        const bool nativeBox = GTK_IS_DIALOG(item->data) && !ownedByWx.count(item->data);
        if (nativeBox && gtk_widget_get_visible(GTK_WIDGET(item->data))) {
            gtk_dialog_response(GTK_DIALOG(item->data), GTK_RESPONSE_CANCEL);
            cancelled = true;
        }
    }
    g_list_free(windows);
    return cancelled;
}

void MessageBeep()
{
    ++beeps;
    wxBell();
}

int BeepCount()
{
    return beeps.load();
}
