// The window's chrome: run-time clock, right-click and Help menus, the About
// box, the title on restore, focus moves that wait for an active window, and
// the event table that routes every control, command and worker event to its
// handler. User-interface thread only.
#include "app/CFtpClientDlg.h"

#include "app/CAboutDlg.h"
#include "app/CFtpClientApp.h"
#include "app/ChromeRules.h"
#include "app/ControlIds.h"
#include "app/ListKeys.h"
#include "ftp/CFileListCtrl.h"
#include "platform/GtkLook.h"
#include "platform/Resources.h"
#include "platform/Text.h"
#include "transfer/CFileDropTarget.h"
#include "transfer/TransferEvents.h"

#include <wx/combobox.h>
#include <wx/menu.h>

#include <utility>

void CFtpClientDlg::OnTimer(int timerId)
{
    if (timerId != kClockTimerId)
        return;
    runTimeText = FormatRunTime(static_cast<long long>(std::time(nullptr) - loginTime));
    UpdateData(false);
}

void CFtpClientDlg::OnContextMenu(const wxPoint& screenPoint)
{
    std::unique_ptr<wxMenu> menu(LoadPopupMenu(session ? "138" : "137"));
    if (menu)
        PopupMenu(menu.get(), ScreenToClient(screenPoint));
}

// The Menu key and Shift+F10 give no point: the menu opens over the middle
// of the control that has the focus, not at the pointer, which may be
// anywhere (and which Wayland tells no program).
wxPoint CFtpClientDlg::KeyboardMenuPoint() const
{
    wxWindow* focused = wxWindow::FindFocus();
    const wxRect area = (focused && IsDescendant(focused) ? focused : this)->GetScreenRect();
    return area.GetTopLeft() + wxPoint(area.GetWidth() / 2, area.GetHeight() / 2);
}

void CFtpClientDlg::OnHelpButton()
{
    const wxRect list = fileList->GetScreenRect();
    const auto at = HelpMenuPoint(list.GetLeft(), list.GetTop(), list.GetRight() + 1, list.GetBottom() + 1);
    std::unique_ptr<wxMenu> menu(LoadPopupMenu("143"));
    if (!menu)
        return;
    // The menu's right edge goes on the list's right edge (wx has no
    // right-aligned popup).
    const wxPoint where = ScreenToClient(wxPoint(at.x, at.y));
    PopupMenu(menu.get(), where.x - PopupMenuWidth(*menu), where.y);
}

void CFtpClientDlg::OnAbout()
{
    CAboutDlg about(this);
    about.ShowModal();
}

void CFtpClientDlg::OnSize(bool restored)
{
    if (restored)
        SetTitle(FromUtf8(LoggedInTitle(domain, windowTitle)));
}

// wxGTK's SetFocus also presents the control's window when that window is not
// the active one. Just after a dialog closes the window manager has not yet
// handed the focus back, and a present that reaches it after the user has
// minimised the window brings the window straight back. So a control takes
// the focus at once only in the active window, else when the window is next
// activated.
void CFtpClientDlg::FocusControl(wxWindow* control)
{
    if (IsActive()) {
        focusOnActivate = nullptr;
        control->SetFocus();
        return;
    }
    focusOnActivate = control;
}

// The key runs the button's own handler, so its guards and boxes apply. The
// key of a disabled button does nothing, as a click on that button would.
bool CFtpClientDlg::PressButtonForListKey(int keyCode, int modifiers)
{
    const int id = ButtonForListKey(keyCode, modifiers);
    wxWindow* focus = FindFocus();
    if (id == 0 || !focus || (focus != fileList && !fileList->IsDescendant(focus)))
        return false;
    wxWindow* button = FindWindow(id);
    if (!button || !button->IsEnabled())
        return false;
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
    return true;
}

void CFtpClientDlg::BindEvents()
{
    auto button = [this](int id, void (CFtpClientDlg::*handler)()) {
        Bind(wxEVT_BUTTON, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
    };
    auto command = [this](int id, void (CFtpClientDlg::*handler)()) {
        Bind(wxEVT_MENU, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
    };
    button(IDC_LOGIN, &CFtpClientDlg::OnLogin);
    button(IDC_LOGOUT, &CFtpClientDlg::OnLogout);
    button(IDC_REMOVE, &CFtpClientDlg::OnRemove);
    button(IDC_UPLOAD, &CFtpClientDlg::OnUpload);
    button(IDC_DOWNLOAD, &CFtpClientDlg::OnDownload);
    button(IDC_RENAME, &CFtpClientDlg::OnRename);
    button(IDC_DELETE, &CFtpClientDlg::OnDelete);
    button(IDC_MKDIR, &CFtpClientDlg::OnMkdir);
    button(IDC_CHDIR, &CFtpClientDlg::OnChdir);
    button(IDC_CDUP, &CFtpClientDlg::OnCdUp);
    button(IDC_CDROOT, &CFtpClientDlg::OnCdRoot);
    button(IDC_REFRESH, &CFtpClientDlg::OnRefresh);
    button(IDC_HELP, &CFtpClientDlg::OnHelpButton);
    button(IDC_ABORT, &CFtpClientDlg::OnAbort);
    Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnHidePassword(); }, IDC_HIDE);
    for (int id : {IDC_ASCII, IDC_BINARY, IDC_AUTO})
        Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { OnTransferMode(); }, id);
    Bind(wxEVT_COMBOBOX, [this](wxCommandEvent&) { OnSelchangeDomain(); }, IDC_DOMAIN);
    Bind(wxEVT_COMBOBOX_DROPDOWN, [this](wxCommandEvent&) { OnDropdownDomain(); }, IDC_DOMAIN);
    Bind(WM_SITE_LOCKED, [this](wxCommandEvent&) { OnSiteLocked(); });

    Bind(wxEVT_LIST_COL_CLICK, [this](wxListEvent& event) { OnColumnclickFileList(event.GetColumn()); },
         IDC_FILELIST);
    Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) { OnDblclkFileList(); }, IDC_FILELIST);
    // Activation comes only from a row; a double-click on the empty part of
    // the list is the list's double-click all the same, and says so.
    fileList->Bind(wxEVT_LEFT_DCLICK, [this](wxMouseEvent& event) {
        event.Skip();
        if (!fileList->IsOnRow(event.GetPosition()))
            CallAfter([this] { OnDblclkFileList(); });
    });

    command(IDC_LOGIN, &CFtpClientDlg::OnLogin);
    command(IDC_LOGOUT, &CFtpClientDlg::OnLogout);
    command(ID_EXIT, &CFtpClientDlg::OnClose);
    command(ID_OPENIN_CONFIGURE, &CFtpClientDlg::OnOpenInConfigure);
    command(ID_ABOUT, &CFtpClientDlg::OnAbout);
    Bind(wxEVT_MENU, [](wxCommandEvent&) {}, ID_CANCEL_MENU);
    Bind(wxEVT_MENU, [](wxCommandEvent&) { CFtpClientApp::OnDocumentation(); }, ID_DOCUMENTATION);
    Bind(wxEVT_MENU, [this](wxCommandEvent& event) { OnOpenIn(event.GetId()); }, ID_OPENIN_TEXT,
         ID_OPENIN_BROWSER);

    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { OnClose(); });
    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent&) { OnInitDialog(); });
    Bind(wxEVT_TIMER, [this](wxTimerEvent& event) {
        if (event.GetId() == kAbortTimerId)
            OnAbortGraceOver();
        else if (event.GetId() == kEndSignalTimerId)
            OnEndSignal();
        else
            OnTimer(event.GetId());
    });
    Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent& event) {
        OnContextMenu(event.GetPosition() == wxDefaultPosition ? KeyboardMenuPoint() : event.GetPosition());
    });
    Bind(wxEVT_ACTIVATE, [this](wxActivateEvent& event) {
        event.Skip();
        if (event.GetActive() && focusOnActivate)
            std::exchange(focusOnActivate, nullptr)->SetFocus();
    });
    Bind(wxEVT_ICONIZE, [this](wxIconizeEvent& event) {
        event.Skip();
        OnSize(!event.IsIconized());
    });
    // Escape clears the list's selection instead of closing; F1 anywhere
    // opens the guide; in the list a few keys press buttons.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE && !event.HasAnyModifiers())
            OnCancel();
        else if (event.GetKeyCode() == WXK_F1)
            CFtpClientApp::OnDocumentation();
        else if (!PressButtonForListKey(event.GetKeyCode(), event.GetModifiers()))
            event.Skip();
    });
    SetDropTarget(new CFileDropTarget(*this));

    Bind(WM_TRANSFER_ERROR, [this](wxThreadEvent& event) {
        OnTransferError(ToUtf8(event.GetString()), event.GetPayload<std::string>());
    });
    Bind(WM_TRANSFER_PROGRESS, [this](wxThreadEvent& event) { OnTransferProgress(event.GetExtraLong()); });
    Bind(WM_TRANSFER_DONE, [this](wxThreadEvent&) { OnTransferDone(); });
}
