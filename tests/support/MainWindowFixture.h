#pragma once
// Builds the real main window on the test display with a throwaway settings
// store of its own.
#include "app/CFtpClientDlg.h"
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class wxComboBox;
class wxTextCtrl;

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes entries before the window starts.
    void Store(const std::string& entry, int value);
    void Store(const std::string& entry, const std::string& value);

    // Creates and shows the window, which reads the store.
    CFtpClientDlg& Open();
    // Runs the close sequence and reads the store back.
    SettingsStore& CloseAndReread();

    std::string ControlText(int id) const;
    void TypeInto(int id, const std::string& text);
    wxComboBox& Combo() const;
    std::string ComboItems() const;  // "a|b|c"
    bool PasswordMasked() const;

    std::string configHome;
    std::unique_ptr<CFtpClientDlg> window;
    std::unique_ptr<SettingsStore> before;
    std::unique_ptr<SettingsStore> after;
};

// A record with the given name, user and password; the other fields plain.
std::string SiteRecord(const std::string& name, const std::string& user = "anna", const std::string& pswd = "pw",
                       int port = 21);
