// The window logged in over SFTP to Debian's OpenSSH sshd on loopback: the
// host-key question answered through wx's modal hooks, a changed key
// refused, and every command a user has, with ASCII's line ends.
#include "fileops/LoggedInWindow.h"
#include "ftp/RemoteWindowFixture.h"
#include "support/GuiTestHelpers.h"
#include "support/SshdServer.h"
#include "support/TransferWindowFixture.h"
#include "transfer/CPercentProgressCtrl.h"

#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/textdlg.h>
#include <wx/testing.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

// Answers a message box with `caption` and keeps its text.
class AnswerBox : public wxExpectModalBase<wxMessageDialog, AnswerBox> {
public:
    AnswerBox(const std::string& caption, int answer, std::string& text) : caption(caption), answer(answer), text(text) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        EXPECT_EQ(caption, ToUtf8(dialog->GetCaption()));
        text = ToUtf8(dialog->GetMessage());
        return answer;
    }

private:
    std::string caption;
    int answer;
    std::string& text;
};

// Types `typed` into the hidden passphrase prompt and presses OK.
class TypePassphrase : public wxExpectModalBase<wxPasswordEntryDialog, TypePassphrase> {
public:
    TypePassphrase(const std::string& typed, std::string& title) : typed(typed), title(title) {}

protected:
    int OnInvoked(wxPasswordEntryDialog* dialog) const override
    {
        EXPECT_TRUE(HidesText(dialog));
        title = ToUtf8(dialog->GetTitle());
        dialog->SetValue(FromUtf8(typed));
        return wxID_OK;
    }

private:
    static bool HidesText(const wxWindow* window)
    {
        for (const wxWindow* child : window->GetChildren()) {
            if (const auto* text = dynamic_cast<const wxTextCtrl*>(child); text && text->HasFlag(wxTE_PASSWORD))
                return true;
            if (HidesText(child))
                return true;
        }
        return false;
    }

    std::string typed;
    std::string& title;
};

class SftpWindow : public TransferFixture<RemoteWindowFixture> {
protected:
    void Start(SshdHostKey hostKey)
    {
        try {
            server = std::make_unique<SshdServer>(hostKey);
        } catch (const std::runtime_error& failure) {
            GTEST_SKIP() << "sshd cannot run here: " << failure.what();
        }
        // The text viewer copies what it is given where the test reads it.
        WriteLocal(Local("viewer"), "#!/bin/sh\ncp \"$1\" '" + Local("viewed") + "'\n");
        std::filesystem::permissions(Local("viewer"), std::filesystem::perms::owner_all);
        Store("openTextPathStr", Local("viewer"));
        EnterSite("sftp://127.0.0.1", server->Port(), server->User(), "", server->Root());
    }

    std::string StatusLine() const { return ToUtf8(window->progressBar->GetText()); }
    std::string KnownHosts() const { return ReadLocal(server->KnownHostsFile()); }

    std::unique_ptr<SshdServer> server;
};

// Cancel (the default) logs nothing in and writes nothing; Trust adds the
// key to known_hosts and logs in, so the next login asks nothing; a key that
// changed after is refused with ssh's warning, and no Trust is offered.
TEST_F(SftpWindow, AnUnknownHostKeyIsAskedAboutOnceAndAChangedOneRefused)
{
    Start(SshdHostKey::Unknown);
    std::string text;
    wxTEST_DIALOG(window->OnLogin(), AnswerBox("Host Key", wxID_NO, text));
    EXPECT_FALSE(window->session);
    EXPECT_NE(text.find(server->HostKeyFingerprint()), std::string::npos) << text;
    EXPECT_NE(text.find("ssh-ed25519"), std::string::npos) << text;
    EXPECT_EQ(KnownHosts(), "");

    wxTEST_DIALOG(window->OnLogin(), AnswerBox("Host Key", wxID_YES, text));
    ASSERT_TRUE(window->session);
    EXPECT_EQ(StatusLine().rfind("Encrypted (SSH", 0), 0u) << StatusLine();
    EXPECT_NE(KnownHosts().find("[127.0.0.1]:" + std::to_string(server->Port())), std::string::npos) << KnownHosts();
    window->OnLogout();
    window->OnLogin();  // a box here would fail the test
    ASSERT_TRUE(window->session);
    window->OnLogout();

    server->ReplaceHostKey();
    wxTEST_DIALOG(window->OnLogin(), AnswerBox("Login", wxID_OK, text));
    EXPECT_FALSE(window->session);
    EXPECT_NE(text.find("someone could be eavesdropping"), std::string::npos) << text;
    EXPECT_NE(text.find(server->KnownHostsFile() + ":1"), std::string::npos) << text;
}

// The passphrase is typed into a one-line prompt whose text is hidden.
TEST_F(SftpWindow, AKeyWithAPassphraseAsksForItInAHiddenPrompt)
{
    Start(SshdHostKey::Known);
    server->ProtectUserKey("open sesame");
    std::string title;
    wxTEST_DIALOG(window->OnLogin(), TypePassphrase("open sesame", title));
    EXPECT_TRUE(window->session);
    EXPECT_EQ(title, "Login");
}

// Each command over SFTP, every byte checked on both ends; ASCII turns a
// download's CRLF into LF and sends an upload's LF as they are.
TEST_F(SftpWindow, ListsNavigatesTransfersAndChangesFilesOverSftp)
{
    Start(SshdHostKey::Known);
    const std::string payload = RandomBytes(3'000'017, 15);
    server->WriteFile("data.bin", payload);
    server->WriteFile("notes.txt", "one\r\ntwo\r\n");
    server->WriteFile("sub/inner.txt", "i");
    window->OnLogin();
    ASSERT_TRUE(window->session);
    EXPECT_EQ((std::vector<std::string>{"sub", "data.bin", "notes.txt"}), Names());

    ChooseMode(IDC_BINARY);
    Download("data.bin", Local("data.bin"));
    EXPECT_TRUE(ReadLocal(Local("data.bin")) == payload) << "the download is not byte-exact";
    ChooseMode(IDC_ASCII);
    Download("notes.txt", Local("notes.txt"));
    EXPECT_EQ(ReadLocal(Local("notes.txt")), "one\ntwo\n");
    SelectName("notes.txt");
    WithoutDialogs([&] { window->OnOpenIn(ID_OPENIN_TEXT); });
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(Local("viewed")); }, 10));
    EXPECT_EQ(ReadLocal(Local("viewed")), "one\ntwo\n");
    WriteLocal(Local("lf.txt"), "a\nb\n");
    Upload(Local("lf.txt"));
    EXPECT_EQ(ReadLocal(server->PathOf("lf.txt")), "a\nb\n");

    ChooseMode(IDC_BINARY);
    SelectName("sub");
    window->OnDblclkFileList();
    EXPECT_EQ((std::vector<std::string>{"inner.txt"}), Names());
    Upload(Local("data.bin"));
    EXPECT_TRUE(ReadLocal(server->PathOf("sub/data.bin")) == payload) << "the upload is not byte-exact";
    window->OnCdUp();
    EXPECT_EQ((std::vector<std::string>{"sub", "data.bin", "lf.txt", "notes.txt"}), Names());

    SelectName("lf.txt");
    wxTEST_DIALOG(window->OnRename(), ExpectPrompt::Ok("Rename", "lf.txt", "notes.txt"),
                  ExpectMessageBox("\"notes.txt\"\nAlready exists on the server.\nRename anyway ?", "Rename",
                                   wxICON_QUESTION, wxID_YES));
    EXPECT_EQ(ReadLocal(server->PathOf("notes.txt")), "a\nb\n");
    SelectName("notes.txt");
    wxTEST_DIALOG(window->OnDelete(),
                  ExpectMessageBox("Detete file \"notes.txt\"", "Delete", wxICON_QUESTION, wxID_YES));
    EXPECT_FALSE(std::filesystem::exists(server->PathOf("notes.txt")));
    wxTEST_DIALOG(window->OnMkdir(), ExpectPrompt::Ok("Enter New Directory", "", "made"));
    EXPECT_TRUE(std::filesystem::is_directory(server->PathOf("made")));
    SelectName("made");
    window->OnDelete();
    EXPECT_FALSE(std::filesystem::exists(server->PathOf("made")));
    SelectName("sub");
    std::string text;
    wxTEST_DIALOG(window->OnDelete(), AnswerBox("Delete", wxID_OK, text));
    EXPECT_NE(text.find("Failure"), std::string::npos) << text;
}

}  // namespace
