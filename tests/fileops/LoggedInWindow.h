#pragma once
// The real main window logged in to a real pyftpdlib server on loopback, and
// an answer for the one-line prompt the window shows modally.
#include "app/ControlIds.h"
#include "fileops/CInputDlg.h"
#include "ftp/CFileListCtrl.h"
#include "ftp/CFtpSession.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "support/GuiTestHelpers.h"
#include "support/MainWindowFixture.h"
#include "support/PyFtpServer.h"

#include <gtest/gtest.h>
#include <wx/testing.h>

#include <memory>
#include <string>
#include <vector>

// Answers a CInputDlg: checks the caption and the text it opens with, then
// types `typed` (OK) or presses Cancel.
class ExpectPrompt : public wxExpectModalBase<CInputDlg, ExpectPrompt> {
public:
    static ExpectPrompt Ok(const std::string& caption, const std::string& shown, const std::string& typed)
    {
        return ExpectPrompt(caption, shown, typed, wxID_OK);
    }
    static ExpectPrompt Cancel(const std::string& caption, const std::string& shown)
    {
        return ExpectPrompt(caption, shown, shown, wxID_CANCEL);
    }

protected:
    int OnInvoked(CInputDlg* dialog) const override
    {
        EXPECT_EQ(caption, dialog->caption);
        EXPECT_EQ(shown, dialog->text) << "the prompt titled \"" << caption << "\"";
        if (answer == wxID_OK)
            dialog->text = typed;
        return answer;
    }

private:
    ExpectPrompt(const std::string& caption, const std::string& shown, const std::string& typed, int answer)
        : caption(caption), shown(shown), typed(typed), answer(answer)
    {
    }

    std::string caption;
    std::string shown;
    std::string typed;
    int answer;
};

// Runs `code` with every modal dialog counted as a failure.
template <class Code>
void WithoutDialogs(Code code)
{
    wxTestingModalHook hook(__FILE__, __LINE__);
    code();
    hook.CheckUnmetExpectations();
}

class LoggedInWindow : public MainWindowFixture {
protected:
    // A wx assertion (an unexpected modal box among them) fails the test
    // instead of opening wx's own assertion box.
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        previousAssertHandler = wxSetAssertHandler([](const wxString& file, int line, const wxString&,
                                                      const wxString& cond, const wxString& msg) {
            ADD_FAILURE() << "wx assertion " << cond << " " << msg << " at " << file << ":" << line;
        });
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        wxSetAssertHandler(previousAssertHandler);
    }

    // Opens the window (the store written so far applies) and logs in as the
    // user who may write, in the server's root.
    CFtpClientDlg& OpenLoggedIn()
    {
        CFtpClientDlg& dlg = Open();
        LogIn(PyFtpServer::User, PyFtpServer::Password);
        return dlg;
    }

    void LogIn(const std::string& user, const std::string& password)
    {
        TypeInto(IDC_DOMAIN, "127.0.0.1");
        TypeInto(IDC_PORT, std::to_string(server.Port()));
        TypeInto(IDC_USER, user);
        TypeInto(IDC_PSWD, password);
        TypeInto(IDC_PWD, "/");
        window->OnLogin();
        ASSERT_TRUE(window->session) << "login to the test server failed";
    }

    // The names the list shows, in its order.
    std::vector<std::string> ListedNames() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < window->fileList->GetItemCount(); ++i)
            names.push_back(window->fileList->Row(i).name);
        return names;
    }

    int RowOf(const std::string& name) const
    {
        for (int i = 0; i < window->fileList->GetItemCount(); ++i)
            if (window->fileList->Row(i).name == name)
                return i;
        return -1;
    }

    // Selects the row of `name` as a click would; fails the test when it is
    // not listed.
    void Select(const std::string& name)
    {
        const int row = RowOf(name);
        ASSERT_GE(row, 0) << name << " is not listed";
        window->fileList->SelectRow(row);
    }

    std::string SelectedName() const
    {
        const int row = window->fileList->FirstSelected();
        return row < 0 ? std::string() : window->fileList->Row(row).name;
    }

    bool ListHasFocus() const { return wxWindow::FindFocus() == window->fileList; }

    // Runs `handler` and tells how many plain beeps it sounded.
    template <class Handler>
    int BeepsOf(Handler handler)
    {
        const int before = BeepCount();
        handler();
        return BeepCount() - before;
    }

    PyFtpServer server;
    wxAssertHandler_t previousAssertHandler = nullptr;
};
