// The site selector of the main window: the combo box items and the site
// records they own; switching, removing, hiding the password and recording
// a site after a login. User-interface thread only.
#include "app/CFtpClientDlg.h"

#include "app/ControlIds.h"
#include "platform/GtkLook.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "platform/TextCase.h"

#include <wx/combobox.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <vector>

wxDEFINE_EVENT(WM_SITE_LOCKED, wxCommandEvent);

SiteProfile CFtpClientDlg::CurrentFields() const
{
    return SiteProfile{domain, userName, password, workingDir, port, uploadFileName, uploadFolder, downloadFolder};
}

void CFtpClientDlg::SetCurrentFields(const SiteProfile& site)
{
    domain = site.domain;
    userName = site.userName;
    password = site.password;
    workingDir = site.workingDir;
    port = site.port;
    uploadFileName = site.uploadFileName;
    uploadFolder = site.uploadFolder;
    downloadFolder = site.downloadFolder;
}

std::string CFtpClientDlg::FormatSiteRecord() const
{
    return ::FormatSiteRecord(CurrentFields());
}

void CFtpClientDlg::LoadSiteRecord(const std::string& record)
{
    SetCurrentFields(::LoadSiteRecord(record));
}

// The box is kept unsorted and each name goes in at its place by the one
// case-insensitive order, so the indexes stored as nLastUsedDomain always
// mean the same order (GTK's own sorting follows the locale).
int CFtpClientDlg::AddSiteItem(const std::string& name, const std::string& record)
{
    const auto after =
        std::upper_bound(siteItems.begin(), siteItems.end(), name,
                         [](const std::string& added, const SiteItem& item) { return CompareNoCase(added, item.name) < 0; });
    const auto at = static_cast<unsigned>(after - siteItems.begin());
    siteItems.insert(after, SiteItem{name, record});
    domainCombo->Insert(FromUtf8(name), at);
    return static_cast<int>(at);
}

void CFtpClientDlg::AddSiteItems(const std::vector<std::string>& records)
{
    wxArrayString names;
    names.reserve(records.size());
    siteItems.reserve(siteItems.size() + records.size());
    for (const std::string& record : records) {
        siteItems.push_back(SiteItem{RecordDomain(record), record});
        names.push_back(FromUtf8(siteItems.back().name));
    }
    WithoutPopupUpdates(domainCombo, [&] { domainCombo->Append(names); });
}

std::string& CFtpClientDlg::SiteRecordAt(int index)
{
    return siteItems[static_cast<std::size_t>(index)].record;
}

void CFtpClientDlg::DeleteSiteItem(int index)
{
    siteItems.erase(siteItems.begin() + index);
    domainCombo->Delete(static_cast<unsigned>(index));
}

void CFtpClientDlg::ResetQuotedHiddenFields()
{
    SiteProfile fields = CurrentFields();
    ::ResetQuotedHiddenFields(fields);
    SetCurrentFields(fields);
}

// A visible field holding a double quote cannot be stored: the item keeps
// the record it had rather than one that would read back shifted.
void CFtpClientDlg::StoreCurrentFields()
{
    ResetQuotedHiddenFields();
    if (FieldHoldingQuote(CurrentFields()).empty())
        SiteRecordAt(currentSite) = FormatSiteRecord();
}

// Opening the list is refused while logged in, but the mouse wheel over the
// box and the arrow keys in it change the selection without opening it: the
// fields would then belong to another site than the connection, and that
// site's record would be saved with this server's directory.
void CFtpClientDlg::OnSelchangeDomain()
{
    if (session) {
        domainCombo->SetSelection(currentSite);
        domainCombo->ChangeValue(FromUtf8(domain));
        OnSiteLocked();
        return;
    }
    StoreCurrentFields();
    currentSite = domainCombo->GetSelection();
    LoadSiteRecord(SiteRecordAt(currentSite));
    UpdateData(false);
}

void CFtpClientDlg::OnDropdownDomain()
{
    if (!session)
        return;
    wxQueueEvent(this, new wxCommandEvent(WM_SITE_LOCKED));
}

void CFtpClientDlg::OnSiteLocked()
{
    domainCombo->Dismiss();
    MessageBox(this, "Can't change Sites.\n\nPlease logout first!", "Connected to Server", MB_OK | MB_ICONEXCLAMATION);
}

void CFtpClientDlg::OnRemove()
{
    UpdateData(true);
    if (EqualsNoCase(domain, PLACEHOLDER_SITE))
        return;
    const std::string shown = ToUtf8(domainCombo->GetValue());
    if (MessageBox(this, "Remove\n\"" + shown + "\"\nfrom Vantrel?", "Remove Domain",
                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    DeleteSiteItem(currentSite);

    const bool placeholderListed = std::any_of(siteItems.begin(), siteItems.end(), [](const SiteItem& item) {
        return StartsWithNoCase(item.name, PLACEHOLDER_SITE);
    });
    if (!placeholderListed)
        AddSiteItem(PLACEHOLDER_SITE, PlaceholderRecord());
    currentSite = 0;
    domainCombo->SetSelection(0);
    LoadSiteRecord(SiteRecordAt(0));
    UpdateData(false);
}

void CFtpClientDlg::OnHidePassword()
{
    UpdateData(true);
    ApplyPasswordMask();
    FindWindow(IDC_PSWD)->Refresh();
}

void CFtpClientDlg::RecordSiteAfterLogin()
{
    std::string& current = SiteRecordAt(currentSite);
    const bool sameSite = EqualsNoCase(RecordDomain(current), domain);
    if (sameSite && RecordUser(current) == userName) {
        current = FormatSiteRecord();
        return;
    }
    if (sameSite && MessageBox(this, "User has changed\nCreate new Domain entry?", "New User",
                               MB_YESNO | MB_ICONQUESTION) != IDYES) {
        current = FormatSiteRecord();
        return;
    }
    currentSite = AddSiteItem(domain, FormatSiteRecord());
    domainCombo->SetSelection(currentSite);
    uploadFileName.clear();
    uploadFolder = "/";
    downloadFolder = "/";
}
