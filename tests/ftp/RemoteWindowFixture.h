#pragma once
// The real main window logged in to a real server on loopback: helpers that
// type a site into the window and read the file list as the user sees it.
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "platform/Text.h"
#include "support/MainWindowFixture.h"

#include <wx/window.h>

#include <sys/time.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

class RemoteWindowFixture : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        // Date texts are local time; pin the zone so they read the same
        // everywhere.
        setenv("TZ", "UTC", 1);
        tzset();
    }

    void EnterSite(const std::string& name, std::uint16_t serverPort, const std::string& user,
                   const std::string& pswd, const std::string& directory = "/")
    {
        if (!window)
            Open();
        TypeInto(IDC_DOMAIN, name);
        TypeInto(IDC_USER, user);
        TypeInto(IDC_PSWD, pswd);
        TypeInto(IDC_PORT, std::to_string(serverPort));
        TypeInto(IDC_PWD, directory);
    }

    // Column 0, 1 and 2 of a row as shown, joined by " | ".
    std::string RowText(int row) const
    {
        const CFileListCtrl& list = *window->fileList;
        return ToUtf8(list.GetItemText(row, 0)) + " | " + ToUtf8(list.GetItemText(row, 1)) + " | " +
               ToUtf8(list.GetItemText(row, 2));
    }

    std::vector<std::string> RowTexts() const
    {
        std::vector<std::string> texts;
        for (int row = 0; row < window->fileList->GetItemCount(); ++row)
            texts.push_back(RowText(row));
        return texts;
    }

    // The shown names in display order.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int row = 0; row < window->fileList->GetItemCount(); ++row)
            names.push_back(ToUtf8(window->fileList->GetItemText(row, 0)));
        return names;
    }

    void SelectByName(const std::string& name)
    {
        const int row = window->fileList->FindRow(name);
        ASSERT_GE(row, 0) << name << " is not listed";
        window->fileList->SelectRow(row);
    }

    bool HasFocus(int id) const { return wxWindow::FindFocus() == window->FindWindow(id); }
    bool LoggedIn() const { return window->session != nullptr; }
};

// Seconds since 1970 of a UTC date and time.
inline std::time_t Utc(int year, int month, int day, int hour, int minute)
{
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    return timegm(&parts);
}

// Gives a file or folder on the server's disk its last-write time.
inline void SetModified(const std::string& path, std::time_t when)
{
    const timeval times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(0, utimes(path.c_str(), times)) << path;
}
