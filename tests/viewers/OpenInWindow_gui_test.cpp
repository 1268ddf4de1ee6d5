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

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include <sys/stat.h>

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

    // The run's own folder under TMPDIR: the only entry there, once made.
    fs::path PrivateDir() const
    {
        for (const auto& entry : fs::directory_iterator(tempDir))
            if (entry.is_directory() && entry.path().filename().string().rfind("vantrel-", 0) == 0)
                return entry.path();
        return tempDir / "no-private-folder";
    }

    std::string TempPathOf(const std::string& localName) const
    {
        return (PrivateDir() / ("FTP_TEMP_" + localName)).string();
    }

    // Every file under TMPDIR, the private folder's included.
    std::vector<std::string> FilesUnderTemp() const
    {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(tempDir))
            if (!entry.is_directory())
                files.push_back(entry.path().lexically_relative(tempDir).string());
        std::sort(files.begin(), files.end());
        return files;
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

    // Logs in to `scripted`, whose directory holds `listing`, with the
    // recording viewer as the text viewer and Binary mode.
    void LogInScripted(ScriptedFtpServer& scripted, const std::string& listing)
    {
        for (const char* reply : {"211-Features:\n SIZE\n211 End", "331 Password required.", "230 Logged in.",
                                  "250 CWD ok.", "257 \"/\" is the current directory.", "200 Type A.",
                                  "200 EPRT ok."})
            scripted.Then(reply);
        scripted.Then(ScriptedFtpServer::SendData(listing));
        Store("openTextPathStr", viewer.string());
        Open();
        TypeInto(IDC_DOMAIN, "127.0.0.1");
        TypeInto(IDC_PORT, std::to_string(scripted.Port()));
        TypeInto(IDC_USER, "anna");
        TypeInto(IDC_PSWD, "pw");
        TypeInto(IDC_PWD, "/");
        window->OnLogin();
        ChooseMode(IDC_BINARY);
    }

    // The replies to one RETR; the first in Binary mode also gets "TYPE I"
    // (the engine sends TYPE only when it changes).
    static void ScriptRetr(ScriptedFtpServer& scripted, const ScriptedFtpServer::Step& data)
    {
        scripted.Then("200 EPRT ok.");
        scripted.Then(data);
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
    EXPECT_EQ(fs::perms::owner_all, fs::status(PrivateDir()).permissions());
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
    // A viewer's own files beside them (an editor's backup) go with the folder.
    std::ofstream(TempPathOf("one.txt") + "~") << "backup";
    const fs::path privateDir = PrivateDir();
    CloseAndReread();
    EXPECT_FALSE(fs::exists(privateDir));
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
    EXPECT_EQ(std::vector<std::string>{}, FilesUnderTemp());  // no file made for it is left
}

// Another user may plant anything in the shared temporary directory: here a
// FIFO under the very name Open In would use, which once froze the window.
TEST_F(OpenInWindow, ANamePlantedInTheSharedTemporaryDirectoryIsNeverOpened)
{
    server.WriteFile("readme.txt", "mine");
    Store("openTextPathStr", viewer.string());
    OpenLoggedIn();
    const fs::path planted = tempDir / "FTP_TEMP_readme.txt";
    ASSERT_EQ(0, mkfifo(planted.c_str(), 0666));
    OpenInTextViewer("readme.txt");
    EXPECT_EQ("1|" + viewer.string() + "|" + TempPathOf("readme.txt"), ViewerRecord());
    EXPECT_EQ("mine", ViewerCopy());
    EXPECT_TRUE(fs::is_fifo(planted));
}

TEST_F(OpenInWindow, ControlAndDirectionCharactersBecomeUnderscoresInTheLocalName)
{
    const std::string names[][2] = {
        {"a\x1b]2;x\x07.txt", "a_]2;x_.txt"},
        {"invoice\u202Etxt.exe", "invoice_txt.exe"},
    };
    Store("openTextPathStr", viewer.string());
    for (const auto& name : names)
        server.WriteFile(name[0], name[0]);
    OpenLoggedIn();
    ChooseMode(IDC_BINARY);
    for (const auto& [remote, local] : names) {
        fs::remove(folder / "record");
        OpenInTextViewer(remote);
        EXPECT_EQ("1|" + viewer.string() + "|" + TempPathOf(local), ViewerRecord());
        EXPECT_EQ(remote, ViewerCopy());
    }
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
    LogInScripted(scripted, "-rw-r--r-- 1 u g 5 Jan 1 2024 ..\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 1 2024 .\r\n"
                            "-rw-r--r-- 1 u g 5 Jan 1 2024 up/evil.txt\r\n");
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

// A server that cuts the connection mid-file: the box, nothing left of the
// new attempt, and the earlier copy, which a viewer may still hold, as it was.
TEST_F(OpenInWindow, ACutDownloadLeavesNothingAndTheEarlierCopyUntouched)
{
    ScriptedFtpServer scripted;
    LogInScripted(scripted, "-rw-r--r-- 1 u g 5 Jan 1 2024 doc.txt\r\n");
    ASSERT_TRUE(window->session);
    scripted.Then("200 Type I.");
    ScriptRetr(scripted, ScriptedFtpServer::SendData("first"));
    OpenInTextViewer("doc.txt");
    ASSERT_FALSE(ViewerRecord().empty());
    ASSERT_EQ("first", ViewerCopy());
    const std::string copy = TempPathOf("doc.txt");

    ScriptRetr(scripted, ScriptedFtpServer::ResetData("sec"));
    Select("doc.txt");
    wxTEST_DIALOG(window->OnOpenIn(ID_OPENIN_TEXT),
                  ExpectMessageBox("\"doc.txt\"\nThe connection with the server was reset\n\nThe session with the server "
                                   "has ended, so you are now logged out. Login brings you back to /.",
                                   "Open In", wxICON_ERROR));
    EXPECT_EQ("first", Slurp(copy));
    EXPECT_EQ(std::vector<std::string>{fs::path(copy).lexically_relative(tempDir).string()}, FilesUnderTemp());
    EXPECT_EQ(std::vector<std::string>{copy}, window->tempFiles);
}

// A server that streams past the listed size, and one that goes silent: each
// is cut off at its bound and said in the error-text box; the window and the
// login stay usable and nothing is left.
TEST_F(OpenInWindow, AnOpenInDownloadStopsAtItsSizeBoundAndAtItsDeadline)
{
    ScriptedFtpServer scripted;
    LogInScripted(scripted, "-rw-r--r-- 1 u g 10 Jan 1 2024 endless.bin\r\n"
                            "-rw-r--r-- 1 u g 10 Jan 1 2024 silent.bin\r\n");
    ASSERT_TRUE(window->session);
    window->viewerLimits.extraBytes = 1000;
    window->viewerLimits.baseDeadline = std::chrono::milliseconds(1500);
    scripted.Then("200 Type I.");
    const struct {
        const char* name;
        std::string sent;
        const char* text;
    } cases[] = {
        {"endless.bin", std::string(200000, 'x'), "The server sent more than the listed size of the file"},
        {"silent.bin", "abc", "The operation timed out"},
    };
    for (const auto& c : cases) {
        ScriptRetr(scripted, ScriptedFtpServer::StallData(c.sent));
        scripted.Then("426 Transfer aborted.\n226 Abort successful.");  // the RETR's end, then ABOR's
        Select(c.name);
        wxTEST_DIALOG(window->OnOpenIn(ID_OPENIN_TEXT),
                      ExpectMessageBox("\"" + std::string(c.name) + "\"\n" + c.text, "Open In", wxICON_ERROR));
        EXPECT_TRUE(window->session) << c.name;
        EXPECT_EQ(std::vector<std::string>{}, FilesUnderTemp()) << c.name;
    }
    EXPECT_TRUE(window->tempFiles.empty());
    EXPECT_FALSE(fs::exists(folder / "record"));
}

} // namespace
