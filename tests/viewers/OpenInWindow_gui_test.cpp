// Open In and its configuration through the real window: files come from
// pyftpdlib into a temporary folder of the test's own, the viewer is a
// script that records how it was started.
#include "fileops/LoggedInWindow.h"
#include "viewers/COpenInConfigDlg.h"
#include "support/ScriptedFtpServer.h"

#include "fileops/ModalDialogDriver.h"

#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class OpenInWindow : public LoggedInWindow {
protected:
    void SetUp() override
    {
        LoggedInWindow::SetUp();
        char pattern[] = "/tmp/vantrel-openin-XXXXXX";
        folder = mkdtemp(pattern);
        tempDir = folder / "tmp";
        fs::create_directories(tempDir);
        const char* tmpdir = std::getenv("TMPDIR");
        savedTmpdir = tmpdir ? std::optional<std::string>(tmpdir) : std::nullopt;
        setenv("TMPDIR", tempDir.c_str(), 1);
        viewer = folder / "viewer";
        WriteRecordingViewer(viewer);
    }
    void TearDown() override
    {
        LoggedInWindow::TearDown();
        if (savedTmpdir)
            setenv("TMPDIR", savedTmpdir->c_str(), 1);
        else
            unsetenv("TMPDIR");
        fs::remove_all(folder);
    }

    // The viewer writes "<argc>|<argv0>|<argv1>" and a copy of the file it
    // got, then renames the record into place so the test never reads half.
    void WriteRecordingViewer(const fs::path& path) const
    {
        const std::string out = (folder / "record").string();
        std::ofstream(path) << "#!/bin/sh\n"
                            << "cp \"$1\" '" << (folder / "copy").string() << "'\n"
                            << "printf '%s|%s|%s' \"$#\" \"$0\" \"$1\" > '" << out << ".part'\n"
                            << "mv '" << out << ".part' '" << out << "'\n";
        fs::permissions(path, fs::perms::owner_all);
    }

    // Waits for the viewer's record; empty when it never came.
    std::string ViewerRecord() const
    {
        const fs::path record = folder / "record";
        if (!PumpUntil([&] { return fs::exists(record); }))
            return {};
        return Slurp(record);
    }

    std::string ViewerCopy() const { return Slurp(folder / "copy"); }

    std::string TempPathOf(const std::string& remoteName) const
    {
        return (tempDir / ("FTP_TEMP_" + remoteName)).string();
    }

    // Opens `remoteName` in the text viewer, the recording script.
    void OpenInTextViewer(const std::string& remoteName)
    {
        Select(remoteName);
        WithoutDialogs([&] { window->OnOpenIn(ID_OPENIN_TEXT); });
    }

    void ChooseMode(int radioId)
    {
        static_cast<wxRadioButton*>(window->FindWindow(radioId))->SetValue(true);
    }

    fs::path folder;
    fs::path tempDir;
    fs::path viewer;
    std::optional<std::string> savedTmpdir;
};

TEST_F(OpenInWindow, TheViewerGetsItsOwnPathAndTheTemporaryFileAsItsTwoArguments)
{
    server.WriteFile("readme.txt", "hello\r\nworld\r\n");
    Store("openTextPathStr", viewer.string());
    OpenLoggedIn();
    ChooseMode(IDC_BINARY);
    OpenInTextViewer("readme.txt");
    EXPECT_EQ("1|" + viewer.string() + "|" + TempPathOf("readme.txt"), ViewerRecord());
    EXPECT_EQ("hello\r\nworld\r\n", ViewerCopy());
    EXPECT_EQ(std::vector<std::string>{TempPathOf("readme.txt")}, window->tempFiles);
}

TEST_F(OpenInWindow, AsciiModeConvertsTheLineEndsBinaryKeepsEveryByte)
{
    const char raw[] = "one\r\ntwo\r\n\x00\xff end\r\n";
    const std::string bytes(raw, sizeof raw - 1);
    server.WriteFile("mixed.dat", bytes);
    Store("openTextPathStr", viewer.string());
    OpenLoggedIn();

    ChooseMode(IDC_ASCII);
    OpenInTextViewer("mixed.dat");
    ASSERT_FALSE(ViewerRecord().empty());
    EXPECT_EQ(std::string("one\ntwo\n\x00\xff end\n", 15), ViewerCopy());

    fs::remove(folder / "record");
    ChooseMode(IDC_BINARY);
    OpenInTextViewer("mixed.dat");
    ASSERT_FALSE(ViewerRecord().empty());
    EXPECT_EQ(bytes, ViewerCopy());
    // The same name twice: one file, recorded twice.
    EXPECT_EQ(std::vector<std::string>(2, TempPathOf("mixed.dat")), window->tempFiles);
}

TEST_F(OpenInWindow, ANameWithBlanksAndShellCharactersReachesTheViewerAsOneArgument)
{
    const std::string name = "a b;touch pwned$(id).txt";
    server.WriteFile(name, "safe");
    Store("openTextPathStr", viewer.string());
    OpenLoggedIn();
    ChooseMode(IDC_BINARY);
    OpenInTextViewer(name);
    EXPECT_EQ("1|" + viewer.string() + "|" + TempPathOf(name), ViewerRecord());
    EXPECT_EQ("safe", ViewerCopy());
    for (const fs::path& where : {fs::current_path(), tempDir, folder})
        for (const auto& entry : fs::directory_iterator(where))
            EXPECT_NE(0u, entry.path().filename().string().rfind("pwned", 0)) << entry.path();
}

TEST_F(OpenInWindow, TheTemporaryFilesAreGoneAfterTheClose)
{
    server.WriteFile("one.txt", "1");
    server.WriteFile("two.txt", "2");
    Store("openTextPathStr", viewer.string());
    OpenLoggedIn();
    OpenInTextViewer("one.txt");
    ASSERT_FALSE(ViewerRecord().empty());
    Select("two.txt");
    // The viewer that cannot start leaves its file recorded all the same.
    window->openGraphicsPath = (folder / "no-such-viewer").string();
    wxTEST_DIALOG(window->OnOpenIn(ID_OPENIN_GRAPHICS),
                  ExpectMessageBox("No such file or directory", "Open In", wxICON_ERROR));
    ASSERT_TRUE(fs::exists(TempPathOf("two.txt")));
    EXPECT_EQ(2u, window->tempFiles.size());
    CloseAndReread();
    EXPECT_FALSE(fs::exists(TempPathOf("one.txt")));
    EXPECT_FALSE(fs::exists(TempPathOf("two.txt")));
    EXPECT_TRUE(window->tempFiles.empty());
}

TEST_F(OpenInWindow, NothingSelectedADirectoryAndLoggedOutAreRefusedEachInItsWay)
{
    server.MakeDirectory("folder");
    Store("openTextPathStr", viewer.string());
    Open();
    int beeps = 0;
    WithoutDialogs([&] { beeps = BeepsOf([&] { window->OnOpenIn(ID_OPENIN_TEXT); }); });
    EXPECT_EQ(0, beeps);  // logged out: nothing at all

    LogIn(PyFtpServer::User, PyFtpServer::Password);
    wxTEST_DIALOG(window->OnOpenIn(ID_OPENIN_BROWSER), ExpectMessageBox("Nothing selected !", "Open In", wxICON_WARNING));
    Select("folder");
    WithoutDialogs([&] { beeps = BeepsOf([&] { window->OnOpenIn(ID_OPENIN_TEXT); }); });
    EXPECT_EQ(1, beeps);
    EXPECT_TRUE(window->tempFiles.empty());
    EXPECT_TRUE(fs::is_empty(tempDir));
}

TEST_F(OpenInWindow, ADownloadTheServerRefusesShowsTheNameAndTheServersText)
{
    server.WriteFile("vanished.txt", "v");
    Store("openTextPathStr", viewer.string());
    OpenLoggedIn();
    fs::remove(server.PathOf("vanished.txt"));
    Select("vanished.txt");
    wxTEST_DIALOG(window->OnOpenIn(ID_OPENIN_TEXT),
                  ExpectMessageBox("\"vanished.txt\"\n550 No such file or directory.", "Open In", wxICON_ERROR));
    EXPECT_TRUE(window->tempFiles.empty());
    EXPECT_FALSE(fs::exists(folder / "record"));
}

// Finds the configure dialog while it is up, lets `inspect` look at it and
// change it, and closes it with `closeWith`.
void WhileConfigureIsUp(int closeWith, std::function<void(COpenInConfigDlg&)> inspect)
{
    wxTheApp->CallAfter([closeWith, inspect] {
        for (wxWindow* top : wxTopLevelWindows) {
            auto* dialog = dynamic_cast<COpenInConfigDlg*>(top);
            if (!dialog || !dialog->IsModal())
                continue;
            inspect(*dialog);
            PressButton(*dialog, closeWith);
            return;
        }
        ADD_FAILURE() << "the configure dialog is not shown";
    });
}

std::string FieldText(const wxWindow& dialog, int id)
{
    return ToUtf8(static_cast<wxTextCtrl*>(dialog.FindWindow(id))->GetValue());
}

TEST_F(OpenInWindow, ConfigureShowsTheProgramNamesAndOkTakesAllThree)
{
    Store("openGraphicsPathStr", "/opt/pictures/bin/show-pictures");
    OpenLoggedIn();
    std::string shownText, shownGraphics, shownBrowser;
    WhileConfigureIsUp(wxID_OK, [&](COpenInConfigDlg& dialog) {
        shownText = FieldText(dialog, 1057);
        shownGraphics = FieldText(dialog, 1058);
        shownBrowser = FieldText(dialog, 1059);
        dialog.textPath = viewer.string();  // as its "<" button leaves it
    });
    window->OnOpenInConfigure();
    EXPECT_EQ("notepad.exe", shownText);
    EXPECT_EQ("show-pictures", shownGraphics);
    EXPECT_EQ("iexplore.exe", shownBrowser);
    EXPECT_EQ(viewer.string(), window->openTextPath);
    EXPECT_EQ("/opt/pictures/bin/show-pictures", window->openGraphicsPath);
    EXPECT_EQ("iexplore.exe", window->openBrowserPath);

    // The next Open In uses the new viewer at once.
    server.WriteFile("new.txt", "n");
    window->OnRefresh();
    OpenInTextViewer("new.txt");
    EXPECT_EQ("1|" + viewer.string() + "|" + TempPathOf("new.txt"), ViewerRecord());
}

TEST_F(OpenInWindow, ConfigureCancelledKeepsEveryViewer)
{
    Open();  // the dialog needs no login
    WhileConfigureIsUp(wxID_CANCEL, [&](COpenInConfigDlg& dialog) {
        dialog.textPath = dialog.graphicsPath = dialog.browserPath = viewer.string();
    });
    window->OnOpenInConfigure();
    EXPECT_EQ("notepad.exe", window->openTextPath);
    EXPECT_EQ("mspaint.exe", window->openGraphicsPath);
    EXPECT_EQ("iexplore.exe", window->openBrowserPath);
}

// pyftpdlib cannot serve these names; the scripted server lists them as
// files. None may become a local path: no download, no viewer.
TEST_F(OpenInWindow, NamesThatAreNoLocalFileNameAreRefusedBeforeAnyDownload)
{
    ScriptedFtpServer scripted;
    for (const char* reply : {"331 Password required.", "230 Logged in.", "211-Features:\n SIZE\n211 End",
                              "250 CWD ok.", "257 \"/\" is the current directory.", "200 Type A.", "200 EPRT ok."})
        scripted.Then(reply);
    scripted.Then(ScriptedFtpServer::SendData("-rw-r--r-- 1 u g 5 Jan 1 2024 ..\r\n"
                                              "-rw-r--r-- 1 u g 5 Jan 1 2024 .\r\n"
                                              "-rw-r--r-- 1 u g 5 Jan 1 2024 up/evil.txt\r\n"));
    Store("openTextPathStr", viewer.string());
    Open();
    TypeInto(IDC_DOMAIN, "127.0.0.1");
    TypeInto(IDC_PORT, std::to_string(scripted.Port()));
    TypeInto(IDC_USER, "anna");
    TypeInto(IDC_PSWD, "pw");
    TypeInto(IDC_PWD, "/");
    window->OnLogin();
    ASSERT_TRUE(window->session);
    const std::size_t commandsAfterLogin = scripted.Commands().size();
    for (const std::string name : {"..", ".", "up/evil.txt"}) {
        Select(name);
        wxTEST_DIALOG(window->OnOpenIn(ID_OPENIN_TEXT),
                      ExpectMessageBox("\"" + name + "\"\nInvalid argument", "Open In", wxICON_ERROR));
    }
    EXPECT_EQ(commandsAfterLogin, scripted.Commands().size());
    EXPECT_TRUE(window->tempFiles.empty());
    EXPECT_TRUE(fs::is_empty(tempDir));
    EXPECT_FALSE(fs::exists(folder / "record"));
}

} // namespace
