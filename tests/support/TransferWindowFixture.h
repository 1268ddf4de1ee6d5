#pragma once
// The main window with a local folder of its own for transfers: answers for
// the file dialogs, a guard that fails on any box no test expects, and a
// login to the scripted server by handing the window a connection.
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "ftp/CFtpSession.h"
#include "ftp/ListEntry.h"
#include "platform/FtpConnection.h"
#include "platform/Text.h"
#include "transfer/CPercentProgressCtrl.h"
#include "support/GuiTestHelpers.h"
#include "support/LocalFiles.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedFtpServer.h"
#include "sites/SiteAddress.h"

#include <wx/filedlg.h>
#include <wx/radiobut.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

inline std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// Deadlines short enough for a test to wait them out.
inline EngineTimeouts ShortEngineTimeouts()
{
    EngineTimeouts timeouts;
    timeouts.connect = std::chrono::milliseconds(2000);
    timeouts.reply = std::chrono::milliseconds(2000);
    timeouts.dataAccept = std::chrono::milliseconds(2000);
    timeouts.dataIdle = std::chrono::milliseconds(20000);
    return timeouts;
}

// Answers a file dialog with `path`. GTK takes a path set from code only
// once its main loop has run, so the answer waits until the dialog reports
// it. With `proposed` set, the name the dialog opened with is kept there.
class ExpectFileDialog : public wxExpectModalBase<wxFileDialog, ExpectFileDialog> {
public:
    explicit ExpectFileDialog(std::string path, std::string* proposed = nullptr)
        : path(std::move(path)), proposed(proposed) {}

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        if (proposed)
            *proposed = ToUtf8(dialog->GetFilename());
        dialog->SetPath(FromUtf8(path));
        EXPECT_TRUE(PumpUntil([&] { return ToUtf8(dialog->GetPath()) == path; }, 5)) << "the dialog never took " << path;
        return wxID_OK;
    }

private:
    std::string path;
    std::string* proposed;
};

// Answers the question about an existing local file with Replace: the
// second button of the box that offers Resume, Yes in the one that does not.
class AnswerReplace : public wxExpectModalBase<wxMessageDialog, AnswerReplace> {
protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        EXPECT_EQ("Download", ToUtf8(dialog->GetCaption()));
        return (dialog->GetMessageDialogStyle() & wxCANCEL) ? wxID_NO : wxID_YES;
    }
};

// A box no test expects fails the test at once instead of waiting for a click.
class FailOnAnyDialog : public wxModalDialogHook {
public:
    FailOnAnyDialog() { Register(); }
    ~FailOnAnyDialog() override { Unregister(); }

protected:
    int Enter(wxDialog* dialog) override
    {
        const auto* box = dynamic_cast<wxMessageDialog*>(dialog);
        ADD_FAILURE() << "unexpected dialog: " << (box ? ToUtf8(box->GetCaption() + ": " + box->GetMessage())
                                                       : ToUtf8(dialog->GetTitle()));
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

// A window fixture (`Base`, MainWindowFixture or one derived from it) with
// a local folder of its own and the steps of a download or upload.
template <class Base = MainWindowFixture>
class TransferFixture : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        char pattern[] = "/tmp/vantrel-local-XXXXXX";
        localDir = mkdtemp(pattern);
    }

    void TearDown() override
    {
        Base::TearDown();
        std::filesystem::remove_all(localDir);
    }

    std::string Local(const std::string& name) const { return localDir + "/" + name; }

    std::string BarText() const { return ToUtf8(this->window->progressBar->GetText()); }

    bool Idle() const { return !this->window->FindWindow(IDC_ABORT)->IsEnabled(); }

    // For tests that answer the boxes they expect themselves.
    bool PumpUntilIdle(double seconds) { return PumpUntil([&] { return Idle(); }, seconds); }

    void WaitUntilIdle(double seconds = 60)
    {
        FailOnAnyDialog strict;
        ASSERT_TRUE(PumpUntilIdle(seconds)) << "the transfer did not end";
    }

    void WaitForFirstProgress()
    {
        ASSERT_TRUE(PumpUntil([&] { return BarText().find("remaining") != std::string::npos; }, 10));
    }

    void ChooseMode(int radioId)
    {
        static_cast<wxRadioButton*>(this->window->FindWindow(radioId))->SetValue(true);
    }

    void SelectName(const std::string& name)
    {
        const int row = this->window->fileList->FindRow(name);
        ASSERT_GE(row, 0) << name << " is not listed";
        this->window->fileList->SelectRow(row);
    }

    // Starts the download of the listed `name` into `localPath`; the worker runs on.
    void StartDownload(const std::string& name, const std::string& localPath)
    {
        SelectName(name);
        wxTEST_DIALOG(this->window->OnDownload(), ExpectFileDialog(localPath));
        ASSERT_FALSE(Idle()) << "no worker was started";
    }

    // The same onto an existing local file, answering Replace.
    void StartReplacingDownload(const std::string& name, const std::string& localPath)
    {
        SelectName(name);
        wxTEST_DIALOG(this->window->OnDownload(), ExpectFileDialog(localPath), AnswerReplace());
        ASSERT_FALSE(Idle()) << "no worker was started";
    }

    void ReplacingDownload(const std::string& name, const std::string& localPath)
    {
        StartReplacingDownload(name, localPath);
        WaitUntilIdle();
    }

    void Download(const std::string& name, const std::string& localPath)
    {
        StartDownload(name, localPath);
        WaitUntilIdle();
    }

    void StartUpload(const std::string& localPath)
    {
        wxTEST_DIALOG(this->window->OnUpload(), ExpectFileDialog(localPath));
        ASSERT_FALSE(Idle()) << "no worker was started";
    }

    void Upload(const std::string& localPath)
    {
        StartUpload(localPath);
        WaitUntilIdle();
    }

    std::string localDir;
};

using TransferWindow = TransferFixture<>;

// Logged in to the scripted server by handing the window a connection, with
// the listing rows set as a test needs them.
class ScriptedTransfer : public TransferWindow {
protected:
    using Commands = std::vector<std::string>;

    // A server whose FEAT lists no SIZE gets no check after a binary
    // transfer; tests of the check list it.
    void Attach(std::vector<ListEntry> rows, const std::string& features = "211-Features:\n MDTM\n211 End")
    {
        server->Then(features);
        server->Then("331 Password required for anna.");
        server->Then("230 Logged in.");
        Open();
        window->session = std::make_unique<CFtpSession>();
        window->session->SetTimeouts(ShortEngineTimeouts());
        window->ftpConnection = window->session->GetFtpConnection(
            LoginRequestFor("127.0.0.1", server->Port(), "anna", "secret"));
        window->SetLoggedInState(true);
        window->fileList->SetEntries(std::move(rows));
    }

    // What the transfers sent, data ports masked.
    Commands AfterLogin() const
    {
        Commands commands;
        const Commands all = server->Commands();
        for (std::size_t i = 3; i < all.size(); ++i)
            commands.push_back(all[i].rfind("EPRT ", 0) == 0 ? "EPRT" : all[i]);
        return commands;
    }

    // What a server answers to the ABOR that ends a stalled transfer.
    static ScriptedFtpServer::Step AbortReplies()
    {
        return ScriptedFtpServer::Raw("426 Connection closed; transfer aborted.\r\n226 ABOR command successful.\r\n");
    }

    // A binary download of big.bin under way, which the server stalls after
    // its first 5000 bytes (made from `seed`) and ends as AbortReplies says.
    void StartStalledDownload(unsigned seed)
    {
        server->Then("200 Type set to I.");
        server->Then("200 EPRT command successful.");
        server->Then(ScriptedFtpServer::StallData(RandomBytes(5000, seed)));
        server->Then(AbortReplies());
        ChooseMode(IDC_BINARY);
        StartDownload("big.bin", Local("big.bin"));
        WaitForFirstProgress();
    }

    std::unique_ptr<ScriptedFtpServer> server = std::make_unique<ScriptedFtpServer>();
};
