// Start-up, data exchange, the logged-in state and the close sequence of the
// main window. All of it runs on the user-interface thread.
#include "app/CFtpClientDlg.h"

#include "app/ControlIds.h"
#include "app/SettingsLock.h"
#include "app/SettingsStore.h"
#include "app/ToolTips.h"
#include "ftp/CFileListCtrl.h"
#include "ftp/CFtpSession.h"
#include "platform/FtpConnection.h"
#include "platform/InternetFile.h"
#include "platform/AccessibleNames.h"
#include "platform/FontScale.h"
#include "platform/GtkLook.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/TemplateBuilder.h"
#include "platform/Text.h"
#include "sites/SiteProfile.h"
#include "sites/SiteRecordMerge.h"
#include "transfer/CPercentProgressCtrl.h"

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/display.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

#include <algorithm>
#include <unistd.h>

namespace {

const char kDefaultExtensions[] = "asp bat c cgi cpp css dhtml h htm html js log pas php pl sh shtml txt vbs xml ";

// Five digits: the Port box is narrower than that in the dialog's font.
const char kWidestPort[] = "65535";

// The list's columns, their settings entries and widths at 96 dpi.
struct ColumnSetting {
    int index;
    const char* title;
    wxListColumnFormat format;
    const char* widthEntry;
    int defaultWidth;
};

constexpr ColumnSetting kColumnSettings[] = {
    {0, "Name", wxLIST_FORMAT_LEFT, "nNameColWidth", 470},
    {1, "Size", wxLIST_FORMAT_RIGHT, "nSizeColWidth", 80},
    {2, "Last Modified", wxLIST_FORMAT_RIGHT, "nTimeColWidth", 210},
};

// The controls that carry no caption of their own, and the template's label
// beside each, which names them for screen readers.
struct LabelledControl {
    int id;
    const char* label;
};

constexpr LabelledControl kLabelledControls[] = {
    {IDC_DOMAIN, "Domain"}, {IDC_USER, "User"}, {IDC_PSWD, "Pswd"},
    {IDC_PWD, "PWD"},       {IDC_PORT, "Port\n(21)"}, {IDC_HIDE, "Hide"},
};

const wxStaticText* LabelReading(const wxWindow* parent, const wxString& text)
{
    for (const wxWindow* child : parent->GetChildren()) {
        const auto* label = dynamic_cast<const wxStaticText*>(child);
        if (label && label->GetLabelText() == text)
            return label;
    }
    return nullptr;
}

template <class Control>
Control* Child(const wxWindow* parent, int id)
{
    return dynamic_cast<Control*>(parent->FindWindow(id));
}

void SetText(const wxWindow* parent, int id, const std::string& text)
{
    if (auto* edit = Child<wxTextCtrl>(parent, id))
        edit->ChangeValue(FromUtf8(text));
    else if (auto* label = Child<wxStaticText>(parent, id))
        label->SetLabelText(FromUtf8(text));
}

std::string GetText(const wxWindow* parent, int id)
{
    if (auto* edit = Child<wxTextCtrl>(parent, id))
        return ToUtf8(edit->GetValue());
    if (auto* label = Child<wxStaticText>(parent, id))
        return ToUtf8(label->GetLabelText());
    return {};
}

} // namespace

CFtpClientDlg::CFtpClientDlg(wxWindow* parent)
    : clockTimer(this, kClockTimerId), abortTimer(this, kAbortTimerId), endSignalTimer(this, kEndSignalTimerId)
{
    UseCompactControls();
    if (!LoadDialogTemplate(this, parent, "102")) {
        wxDialog::Create(parent, wxID_ANY, "Vantrel");
        return;
    }
    // Looked up here already, so that the first showing of the members (the
    // base initialisation of the start-up) reaches the combo box too.
    domainCombo = Child<wxComboBox>(this, IDC_DOMAIN);
    CreateCustomControls();
    BindEvents();
    Bind(wxEVT_IDLE, &CFtpClientDlg::OnFirstIdle, this);
    SetEscapeId(wxID_NONE);
    SetAffirmativeId(wxID_NONE);
}

CFtpClientDlg::~CFtpClientDlg()
{
    WaitForWorker();
    // The box would remove its items one by one, each update of the menu
    // going over all the others.
    if (domainCombo)
        WithoutPopupUpdates(domainCombo, [this] { domainCombo->Clear(); });
}

// The list and the bar are our own classes; the template holds their places
// (the container made for an unknown control takes them in).
void CFtpClientDlg::CreateCustomControls()
{
    fileList = new CFileListCtrl(this, IDC_FILELIST, wxDefaultPosition, wxDefaultSize);
    progressBar = new CPercentProgressCtrl(this, IDC_PROGRESS, wxDefaultPosition, wxDefaultSize);
    AttachToTemplatePlace(this, "1040", fileList);
    AttachToTemplatePlace(this, "1070", progressBar);
    if (auto* portEdit = Child<wxTextCtrl>(this, IDC_PORT)) {
        portEdit->SetValidator(wxTextValidator(wxFILTER_DIGITS));
        ShowWholeText(portEdit, kWidestPort);
    }
}

// wx ties every label to the control after it in the tab order when the
// window first goes idle, before the window's own idle handler runs (the
// Port label to the list): the template's pairs are made after that.
void CFtpClientDlg::OnFirstIdle(wxIdleEvent& event)
{
    Unbind(wxEVT_IDLE, &CFtpClientDlg::OnFirstIdle, this);
    NameControlsByLabels();
    event.Skip();
}

void CFtpClientDlg::NameControlsByLabels()
{
    for (const LabelledControl& labelled : kLabelledControls) {
        wxWindow* control = FindWindow(labelled.id);
        const wxStaticText* label = LabelReading(this, labelled.label);
        if (control && label)
            NameByLabel(control, *label);
    }
}

bool CFtpClientDlg::UpdateData(bool saveAndValidate)
{
    auto* hide = Child<wxCheckBox>(this, IDC_HIDE);
    const int radios[] = {IDC_ASCII, IDC_BINARY, IDC_AUTO};
    if (!saveAndValidate) {
        SetText(this, IDC_PSWD, password);
        SetText(this, IDC_USER, userName);
        SetText(this, IDC_PWD, workingDir);
        SetText(this, IDC_INFO, infoText);
        hide->SetValue(hidePassword != 0);
        if (transferMode >= 0 && transferMode < 3)
            Child<wxRadioButton>(this, radios[transferMode])->SetValue(true);
        SetText(this, IDC_PORT, std::to_string(port));
        SetText(this, IDC_RUNTIME, runTimeText);
        domainCombo->ChangeValue(FromUtf8(domain));
        return true;
    }
    password = GetText(this, IDC_PSWD);
    userName = GetText(this, IDC_USER);
    workingDir = GetText(this, IDC_PWD);
    infoText = GetText(this, IDC_INFO);
    hidePassword = hide->GetValue() ? 1 : 0;
    transferMode = -1;
    for (int mode = 0; mode < 3; ++mode)
        if (Child<wxRadioButton>(this, radios[mode])->GetValue())
            transferMode = mode;
    const std::string portText = GetText(this, IDC_PORT);
    if (portText.empty() || portText.find_first_not_of("0123456789") != std::string::npos) {
        MessageBox(this, "The Port box must hold a whole number, such as 21.", "Vantrel", MB_OK | MB_ICONEXCLAMATION);
        FocusControl(FindWindow(IDC_PORT));
        return false;
    }
    port = ParseLeadingInt(portText);
    runTimeText = GetText(this, IDC_RUNTIME);
    domain = ToUtf8(domainCombo->GetValue());
    return true;
}

bool CFtpClientDlg::OnInitDialog()
{
    UpdateData(false);
    for (int size : {16, 32, 48, 64}) {
        const wxBitmap picture = LoadResourceBitmap(wxString::Format("vantrel-%d.png", size));
        if (picture.IsOk()) {
            wxIcon icon;
            icon.CopyFromBitmap(picture);
            hIcon.AddIcon(icon);
        }
    }
    if (!hIcon.IsEmpty())
        SetIcons(hIcon);

    SettingsStore store;
    LoadSettings(store);
    // The first tab stop, as a dialog starts; GTK would pick the topmost
    // control, the site box.
    FocusControl(FindWindow(IDC_LOGIN));
    return true;
}

void CFtpClientDlg::LoadSettings(SettingsStore& store)
{
    LoadSiteRecords(store);
    currentSite = store.GetProfileInt("nLastUsedDomain", 0);
    // A hand-edited store may name an item that is not there.
    if (currentSite < 0 || currentSite >= static_cast<int>(siteItems.size()))
        currentSite = 0;
    domainCombo->SetSelection(currentSite);
    LoadSiteRecord(SiteRecordAt(currentSite));

    transferMode = store.GetProfileInt("nAsciiBinaryAuto", 0);
    hidePassword = store.GetProfileInt("bHidePswd", 0);
    infoText = INFO_TEXT;
    UpdateData(false);
    ApplyPasswordMask();
    PlaceWindow(store.GetProfileInt("nXposition", 0), store.GetProfileInt("nYposition", 0));

    // A tip shows only once the pointer rests on a control, and wrapping
    // the tips measures their text in the tip font, a few milliseconds the
    // window need not wait for before it shows.
    CallAfter([this] { InstallToolTips(this); });
    SetLoggedInState(false);

    InsertColumns(store);
    sortDescending[0] = sortDescending[1] = sortDescending[2] = 0;

    asciiExtList = store.GetProfileString("asciiFileExt", kDefaultExtensions);
    openTextPath = store.GetProfileString("openTextPathStr", "notepad.exe");
    openGraphicsPath = store.GetProfileString("openGraphicsPathStr", "mspaint.exe");
    openBrowserPath = store.GetProfileString("openBrowserPathStr", "iexplore.exe");

    progressBar->SetText(" ");
    transferInProgress = 0;
    FindWindow(IDC_ABORT)->Disable();
    windowTitle = " " + ToUtf8(wxTheApp->GetAppDisplayName());
    SetTitle(FromUtf8(windowTitle));
}

std::vector<std::string> CFtpClientDlg::StoredSiteRecords(const SettingsStore& store)
{
    // Past the highest stored record every read would be a placeholder;
    // a hand-edited count of millions must not hang the start.
    const int count = std::min(store.GetProfileInt("nDomains", 0), store.IndexedEntryLimit("domainStr_"));
    std::vector<std::string> records;
    for (int i = 0; i < count; ++i)
        records.push_back(store.GetProfileString("domainStr_" + std::to_string(i), PlaceholderRecord()));
    return records;
}

void CFtpClientDlg::LoadSiteRecords(SettingsStore& store)
{
    recordsAtStart = StoredSiteRecords(store);
    std::vector<std::string> records = recordsAtStart;
    const bool seen = std::any_of(records.begin(), records.end(),
                                  [](const std::string& record) { return RecordDomain(record) == PLACEHOLDER_SITE; });
    if (!seen)
        records.push_back(PlaceholderRecord());
    // Sorted once and put in at once: adding them one by one, each at its
    // place, searched the box for every site (minutes for 10,000). The
    // placeholder, last in, lands where adding it would have put it.
    SortSiteRecords(records);
    AddSiteItems(records);
}

// A stored position off every screen (a screen since removed, a window
// closed while minimised) would hide the window; bring it back to 0, 0.
void CFtpClientDlg::PlaceWindow(int x, int y)
{
    storedPosition = wxPoint(x, y);
    if (!WindowPositionsKnown())
        return;
    const wxRect wanted(wxPoint(x, y), GetSize());
    const bool visible = wxDisplay::GetFromPoint(wanted.GetTopLeft()) != wxNOT_FOUND ||
                         wxDisplay::GetFromPoint(wanted.GetBottomRight()) != wxNOT_FOUND;
    Move(visible ? wanted.GetTopLeft() : wxPoint(0, 0));
}

void CFtpClientDlg::InsertColumns(SettingsStore& store)
{
    const double scale = FontScale(fileList->GetFont());
    for (const ColumnSetting& column : kColumnSettings)
        fileList->InsertColumn(column.index, column.title, column.format,
                               ToScreenPixels(store.GetProfileInt(column.widthEntry, column.defaultWidth), scale));
}

void CFtpClientDlg::ApplyPasswordMask()
{
    SetPasswordMask(Child<wxTextCtrl>(this, IDC_PSWD), hidePassword != 0);
}

void CFtpClientDlg::SetLoggedInState(bool loggedIn)
{
    for (int id : {IDC_LOGOUT, IDC_UPLOAD, IDC_DOWNLOAD, IDC_RENAME, IDC_DELETE, IDC_MKDIR, IDC_CDUP, IDC_CHDIR,
                   IDC_CDROOT, IDC_REFRESH})
        FindWindow(id)->Enable(loggedIn);
    for (int id : {IDC_LOGIN, IDC_REMOVE})
        FindWindow(id)->Enable(!loggedIn);
    for (int id : {IDC_USER, IDC_PSWD, IDC_PORT, IDC_PWD})
        Child<wxTextCtrl>(this, id)->SetEditable(!loggedIn);
    domainCombo->SetEditable(!loggedIn);
}

void CFtpClientDlg::OnClose()
{
    SaveSettingsAndClose();
}

void CFtpClientDlg::SaveSettingsAndClose()
{
    if (waitingForWorker) {  // Close or Exit during the wait of a Logout
        MessageBeep();
        return;
    }
    if (transferInProgress != 0) {
        SayTransferInProgress();
        return;
    }
    if (session)
        OnLogout();
    if (session)  // an aborted transfer outlived the logout's wait
        return;
    // A port box that holds no number keeps the last good port; the window
    // closes all the same, since only this sequence saves anything.
    UpdateData(true);
    StoreCurrentFields();
    SaveSettings();
    for (const std::string& path : tempFiles)
        unlink(path.c_str());
    tempFiles.clear();
    viewerTempDir.Remove();
    if (IsModal())
        EndModal(wxID_OK);
    else
        Hide();
}

// A polite end from outside (the desktop's logout, a kill, Ctrl+C) closes
// as the close box does, except that a running transfer is aborted instead
// of refusing: nothing the user saved or fetched in this run is lost.
void CFtpClientDlg::OnEndSignal()
{
    // Inside a Logout's wait for the worker no second wait can run, and a
    // box or dialog that is open would keep the program running after the
    // close: the box is answered Cancel, and the close comes once the code
    // that opened it, or the wait, is over.
    if (CancelOpenDialogs(this) || waitingForWorker) {
        endSignalTimer.StartOnce(kEndSignalRetryMs);
        return;
    }
    if (transferInProgress != 0)
        OnAbort();
    SaveSettingsAndClose();
}

void CFtpClientDlg::SaveSettings()
{
    std::string error;
    if (!WriteSettings(error))
        MessageBox(this, error + "\n\nThe changes of this session are not saved.", "Vantrel", MB_OK | MB_ICONHAND);
}

// Another window on the same store may have closed since this one started:
// its sites are merged with this window's, and the scalar settings are this
// window's, as the last to close. The lock is let go before any box is
// shown: another window's close waits for it.
bool CFtpClientDlg::WriteSettings(std::string& error)
{
    const SettingsLock noOtherCloseMeanwhile;
    SettingsStore store;
    std::vector<std::string> inBox;
    for (const SiteItem& item : siteItems)
        inBox.push_back(item.record);
    const std::vector<std::string> sites = MergeSiteRecords(recordsAtStart, inBox, StoredSiteRecords(store));
    for (std::size_t i = 0; i < sites.size(); ++i)
        store.WriteProfileString("domainStr_" + std::to_string(i), sites[i]);
    const int written = static_cast<int>(sites.size());
    store.WriteProfileInt("nDomains", written);
    // Records past the count are never read again, but a removed site's
    // would keep its password in the file.
    store.DeleteIndexedEntriesFrom("domainStr_", written);

    store.WriteProfileInt("nLastUsedDomain", IndexAtNextStart(sites, SiteRecordAt(currentSite)));
    store.WriteProfileInt("nAsciiBinaryAuto", transferMode);
    store.WriteProfileInt("bHidePswd", hidePassword);
    const wxPoint where = WindowPositionsKnown() ? GetPosition() : storedPosition;
    store.WriteProfileInt("nXposition", where.x);
    store.WriteProfileInt("nYposition", where.y);
    const double scale = FontScale(fileList->GetFont());
    for (const ColumnSetting& column : kColumnSettings)
        store.WriteProfileInt(column.widthEntry, ToStoredPixels(fileList->GetColumnWidth(column.index), scale));
    store.WriteProfileString("asciiFileExt", asciiExtList);
    store.WriteProfileString("openTextPathStr", openTextPath);
    store.WriteProfileString("openGraphicsPathStr", openGraphicsPath);
    store.WriteProfileString("openBrowserPathStr", openBrowserPath);
    return store.Flush(error);
}

void CFtpClientDlg::OnCancel()
{
    for (int row = fileList->FirstSelected(); row >= 0; row = fileList->FirstSelected())
        fileList->DeselectRow(row);
}
