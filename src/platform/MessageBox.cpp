#include "platform/MessageBox.h"

#include "platform/Text.h"

#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <gtk/gtk.h>

#include <atomic>
#include <mutex>
#include <set>

namespace {

std::atomic<int> beeps{0};

// The theme's picture of each kind of box (GTK 3 shows none by itself).
const char* KindIconName(GtkMessageType type)
{
    switch (type) {
    case GTK_MESSAGE_ERROR: return "dialog-error";
    case GTK_MESSAGE_WARNING: return "dialog-warning";
    case GTK_MESSAGE_QUESTION: return "dialog-question";
    case GTK_MESSAGE_INFO: return "dialog-information";
    default: return nullptr;
    }
}

gboolean AddKindIcon(GSignalInvocationHint*, guint, const GValue* params, gpointer)
{
    GObject* shown = static_cast<GObject*>(g_value_get_object(&params[0]));
    if (!GTK_IS_MESSAGE_DIALOG(shown))
        return TRUE;
    GtkMessageType type = GTK_MESSAGE_OTHER;
    g_object_get(shown, "message-type", &type, nullptr);
    const char* iconName = KindIconName(type);
    if (!iconName)
        return TRUE;
    GtkWidget* image = gtk_image_new_from_icon_name(iconName, GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(image, GTK_ALIGN_START);
    gtk_widget_show(image);
    // Deprecated for new designs, and still the one way into the box that
    // wx builds inside ShowModal.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(shown), image);
    G_GNUC_END_IGNORE_DEPRECATIONS
    // Setting the image clears the kind; screen readers announce it.
    g_object_set(shown, "message-type", type, nullptr);
    return TRUE;
}

// wx builds the GTK box only inside ShowModal, so the icon goes in when any
// message box is shown.
void ShowKindIconsInMessageBoxes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_signal_add_emission_hook(g_signal_lookup("show", GTK_TYPE_WIDGET), 0, AddKindIcon, nullptr, nullptr);
    });
}

long WxStyle(unsigned style)
{
    long wx = wxOK;
    if ((style & 0xF) == MB_YESNO)
        wx = wxYES_NO;
    else if ((style & 0xF) == MB_YESNOCANCEL)
        wx = wxYES_NO | wxCANCEL;
    switch (style & 0xF0) {
    case MB_ICONHAND: wx |= wxICON_ERROR; break;
    case MB_ICONQUESTION: wx |= wxICON_QUESTION; break;
    case MB_ICONEXCLAMATION: wx |= wxICON_WARNING; break;
    case MB_ICONINFORMATION: wx |= wxICON_INFORMATION; break;
    default: break;
    }
    if (style & MB_DEFBUTTON2)
        wx |= wxNO_DEFAULT;
    if (style & MB_DEFBUTTON3)
        wx |= wxCANCEL_DEFAULT;
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

int MessageBox(wxWindow* owner, const std::string& text, const std::string& caption, unsigned style,
               const ButtonLabels& labels)
{
    wxMessageDialog box(owner, Printable(text), FromUtf8(caption), WxStyle(style));
    if (!labels.yes.empty())
        box.SetYesNoCancelLabels(FromUtf8(labels.yes), FromUtf8(labels.no), FromUtf8(labels.cancel));
    ShowKindIconsInMessageBoxes();
    switch (box.ShowModal()) {
    case wxID_YES: return IDYES;
    case wxID_NO: return IDNO;
    case wxID_CANCEL: return IDCANCEL;
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
