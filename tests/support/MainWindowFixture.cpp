#include "support/MainWindowFixture.h"

#include "platform/Text.h"
#include "support/GuiTestHelpers.h"

#include <wx/combobox.h>
#include <wx/textctrl.h>

#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>

void MainWindowFixture::SetUp()
{
    char pattern[] = "/tmp/vantrel-config-XXXXXX";
    configHome = mkdtemp(pattern);
    setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    before = std::make_unique<SettingsStore>();
}

void MainWindowFixture::TearDown()
{
    if (window) {
        window.reset();
        PumpEvents();
    }
    std::filesystem::remove_all(configHome);
}

void MainWindowFixture::Store(const std::string& entry, int value)
{
    before->WriteProfileInt(entry, value);
}

void MainWindowFixture::Store(const std::string& entry, const std::string& value)
{
    before->WriteProfileString(entry, value);
}

CFtpClientDlg& MainWindowFixture::Open()
{
    std::string error;
    EXPECT_TRUE(before->Flush(error)) << error;
    window = std::make_unique<CFtpClientDlg>(nullptr);
    window->Show();
    PumpEvents();
    return *window;
}

SettingsStore& MainWindowFixture::CloseAndReread()
{
    window->SaveSettingsAndClose();
    after = std::make_unique<SettingsStore>();
    return *after;
}

std::string MainWindowFixture::ControlText(int id) const
{
    if (auto* edit = dynamic_cast<wxTextCtrl*>(window->FindWindow(id)))
        return ToUtf8(edit->GetValue());
    return ToUtf8(window->FindWindow(id)->GetLabel());
}

void MainWindowFixture::TypeInto(int id, const std::string& text)
{
    if (auto* edit = dynamic_cast<wxTextCtrl*>(window->FindWindow(id)))
        edit->ChangeValue(FromUtf8(text));
    else
        Combo().ChangeValue(FromUtf8(text));
}

wxComboBox& MainWindowFixture::Combo() const
{
    return *window->domainCombo;
}

std::string MainWindowFixture::ComboItems() const
{
    std::string items;
    for (unsigned i = 0; i < Combo().GetCount(); ++i)
        items += (i ? "|" : "") + ToUtf8(Combo().GetString(i));
    return items;
}

bool MainWindowFixture::PasswordMasked() const
{
    auto* edit = static_cast<GtkWidget*>(window->FindWindow(1003)->GetHandle());
    return !gtk_entry_get_visibility(GTK_ENTRY(edit));
}

std::string SiteRecord(const std::string& name, const std::string& user, const std::string& pswd, int port)
{
    return "\"" + name + "\" \"" + user + "\" \"" + pswd + "\" \"/pub\" \"" + std::to_string(port) +
           "\" \"\" \"/\" \"/\"";
}
