// Login, logout and the directory listing of the real main window against a
// real pyftpdlib on loopback (and the scripted server where the exact bytes
// on the wire matter), every message box matched and answered.
#include "ftp/RemoteWindowFixture.h"

#include "fileops/CInputDlg.h"
#include "platform/MessageBox.h"
#include "sites/SiteProfile.h"
#include "support/LoopbackPort.h"
#include "support/GuiTestHelpers.h"
#include "support/PyFtpServer.h"
#include "support/ScriptedFtpServer.h"
#include "support/TransferWindowFixture.h"
#include "support/VsftpdServer.h"

#include <atk/atk.h>
#include <gtk/gtk.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Texts = std::vector<std::string>;

const std::string kTitleTail = " - Vantrel";

// One folder and four files whose names, sizes and times each sort
// differently, so every column's order is visible.
void WriteSortTree(const PyFtpServer& server)
{
    server.MakeDirectory("Mid");
    server.WriteFile("zeta.txt", std::string(3000, 'z'));
    server.WriteFile("Echo.bin", std::string(1999, 'e'));
    server.WriteFile("delta.txt", std::string(500, 'd'));
    server.WriteFile("alpha.TXT", std::string(4000000, 'a'));
    SetModified(server.PathOf("Mid"), Utc(2018, 6, 1, 9, 30));
    SetModified(server.PathOf("zeta.txt"), Utc(2019, 1, 2, 0, 5));
    SetModified(server.PathOf("delta.txt"), Utc(2020, 2, 3, 12, 0));
    SetModified(server.PathOf("Echo.bin"), Utc(2021, 11, 30, 23, 59));
    SetModified(server.PathOf("alpha.TXT"), Utc(2022, 7, 4, 13, 15));
}

const Texts kDefaultOrder = {"Mid", "alpha.TXT", "delta.txt", "Echo.bin", "zeta.txt"};
const Texts kNameReversed = {"zeta.txt", "Echo.bin", "delta.txt", "alpha.TXT", "Mid"};

class LoginListing : public RemoteWindowFixture {
protected:
    void LogIn(const PyFtpServer& server, const std::string& directory = "/")
    {
        EnterSite("127.0.0.1", server.Port(), PyFtpServer::User, PyFtpServer::Password, directory);
        window->OnLogin();
    }

    void ExpectLoggedOut()
    {
        EXPECT_FALSE(LoggedIn());
        EXPECT_EQ(nullptr, window->ftpConnection);
        EXPECT_EQ(" Vantrel", ToUtf8(window->GetTitle()));
        EXPECT_EQ(0, window->fileList->GetItemCount());
        EXPECT_EQ(INFO_TEXT, ControlText(IDC_INFO));
        EXPECT_EQ("", ControlText(IDC_RUNTIME));
        EXPECT_TRUE(window->FindWindow(IDC_LOGIN)->IsEnabled());
        EXPECT_FALSE(window->FindWindow(IDC_LOGOUT)->IsEnabled());
    }

    bool Editable(int id) const { return static_cast<wxTextCtrl*>(window->FindWindow(id))->IsEditable(); }
};

TEST_F(LoginListing, ALoginShowsTitleDirectoryRowsSummaryClockAndRecordsTheSite)
{
    PyFtpServer server;
    WriteSortTree(server);
    LogIn(server);
    ASSERT_TRUE(LoggedIn());
    EXPECT_EQ(" 127.0.0.1" + kTitleTail, ToUtf8(window->GetTitle()));
    EXPECT_EQ("/", ControlText(IDC_PWD));
    EXPECT_EQ((Texts{"Mid |  | 06/01/2018 09:30 AM", "alpha.TXT | 4000 KB | 07/04/2022 01:15 PM",
                     "delta.txt | 1 KB | 02/03/2020 12:00 PM", "Echo.bin | 1 KB | 11/30/2021 11:59 PM",
                     "zeta.txt | 3 KB | 01/02/2019 12:05 AM"}),
              RowTexts());
    EXPECT_EQ(LIST_KIND_FOLDER, window->fileList->Row(0).kind);
    EXPECT_EQ(LIST_KIND_FILE, window->fileList->Row(1).kind);
    // 4,005,499 bytes in all.
    EXPECT_EQ("\n1 folders - 4 files - 4005 KB", ControlText(IDC_INFO));
    EXPECT_EQ("00:00:00", ControlText(IDC_RUNTIME));
    EXPECT_TRUE(HasFocus(IDC_LOGOUT));
    EXPECT_EQ(-1, window->fileList->FirstSelected());

    // The logged-in look: server commands on, site fields locked.
    for (int id : {IDC_LOGOUT, IDC_UPLOAD, IDC_DOWNLOAD, IDC_RENAME, IDC_DELETE, IDC_MKDIR, IDC_CDUP, IDC_CHDIR,
                   IDC_CDROOT, IDC_REFRESH})
        EXPECT_TRUE(window->FindWindow(id)->IsEnabled()) << id;
    EXPECT_FALSE(window->FindWindow(IDC_LOGIN)->IsEnabled());
    EXPECT_FALSE(window->FindWindow(IDC_REMOVE)->IsEnabled());
    for (int id : {IDC_USER, IDC_PSWD, IDC_PORT, IDC_PWD})
        EXPECT_FALSE(Editable(id)) << id;

    EXPECT_EQ(std::string(PLACEHOLDER_SITE) + "|127.0.0.1", ComboItems());
    SettingsStore& store = CloseAndReread();
    EXPECT_EQ(1, store.GetProfileInt("nDomains", -1));
    const SiteProfile stored = LoadSiteRecord(store.GetProfileString("domainStr_0", ""));
    EXPECT_EQ("127.0.0.1", stored.domain);
    EXPECT_EQ(PyFtpServer::User, stored.userName);
    EXPECT_EQ(PyFtpServer::Password, stored.password);
    EXPECT_EQ(server.Port(), stored.port);
    EXPECT_EQ("/", stored.workingDir);
}

TEST_F(LoginListing, LoginWhileLoggedInOnlyBeeps)
{
    PyFtpServer server;
    LogIn(server);
    ASSERT_TRUE(LoggedIn());
    const int beeps = BeepCount();
    window->OnLogin();
    EXPECT_EQ(beeps + 1, BeepCount());
    EXPECT_TRUE(LoggedIn());
}

TEST_F(LoginListing, AWrongPasswordShowsTheServersReplyAndStaysLoggedOut)
{
    PyFtpServer server;
    EnterSite("127.0.0.1", server.Port(), PyFtpServer::User, "wrong");
    wxTEST_DIALOG(window->OnLogin(), ExpectMessageBox("530 Authentication failed.", "Login", wxICON_ERROR));
    ExpectLoggedOut();
    EXPECT_EQ(PLACEHOLDER_SITE, ComboItems());
}

TEST_F(LoginListing, NoServerOnThePortNamesTheNetworkCause)
{
    const std::uint16_t nobody = UnusedLoopbackPort();
    EnterSite("127.0.0.1", nobody, "anna", "secret");
    wxTEST_DIALOG(window->OnLogin(), ExpectMessageBox("Connection refused by 127.0.0.1 port " + std::to_string(nobody),
                                                      "Login", wxICON_ERROR));
    ExpectLoggedOut();
}

TEST_F(LoginListing, ARefusedStartDirectoryLeavesTheRootInPwdAndInTheRecord)
{
    PyFtpServer server(PyFtpServer::Options{.lockedDirectory = true});
    Store("nDomains", 1);
    Store("domainStr_0", "\"127.0.0.1\" \"anna\" \"secret\" \"/locked\" \"" + std::to_string(server.Port()) +
                             "\" \"\" \"/\" \"/\"");
    Store("nLastUsedDomain", 1);
    Open();
    ASSERT_EQ("/locked", ControlText(IDC_PWD));
    wxTEST_DIALOG(window->OnLogin(), ExpectMessageBox("550 Permission denied.", "Login", wxICON_ERROR));
    EXPECT_EQ("/", ControlText(IDC_PWD));
    ExpectLoggedOut();
    EXPECT_EQ("/", LoadSiteRecord(CloseAndReread().GetProfileString("domainStr_0", "")).workingDir);
}

TEST_F(LoginListing, ASiteNameWithLeadingBlanksAndARemarkConnectsToTheHostAlone)
{
    PyFtpServer server;
    EnterSite("  127.0.0.1 my test server", server.Port(), PyFtpServer::User, PyFtpServer::Password);
    window->OnLogin();
    ASSERT_TRUE(LoggedIn());
    EXPECT_EQ("   127.0.0.1 my test server" + kTitleTail, ToUtf8(window->GetTitle()));
    EXPECT_EQ("  127.0.0.1 my test server", RecordDomain(CloseAndReread().GetProfileString("domainStr_0", "")));
}

TEST_F(LoginListing, AnEmptyPortBoxIsReportedAndNothingIsSent)
{
    ScriptedFtpServer server;
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("127.0.0.1", "anna", "secret", server.Port()));
    Store("nLastUsedDomain", 1);
    Open();
    TypeInto(IDC_PORT, "");
    wxTEST_DIALOG(window->OnLogin(), ExpectMessageBox("The Port box must hold a whole number, such as 21.",
                                                      "Vantrel", wxICON_WARNING));
    EXPECT_FALSE(LoggedIn());
    EXPECT_TRUE(server.Commands().empty());
}

// Only a port's low 16 bits reach the socket: 65536 plus the server's port
// would log in there with the user's password.
TEST_F(LoginListing, APortOutsideOneTo65535IsReportedAndNothingIsSent)
{
    ScriptedFtpServer server;
    Store("nDomains", 1);
    Store("domainStr_0", SiteRecord("127.0.0.1", "anna", "secret", server.Port()));
    Store("nLastUsedDomain", 1);
    Open();
    for (const std::string& port : {std::string("0"), std::string("65536"), std::to_string(65536 + server.Port())}) {
        SCOPED_TRACE(port);
        TypeInto(IDC_PORT, port);
        wxTEST_DIALOG(window->OnLogin(), ExpectMessageBox("The Port box must hold a port number from 1 to 65535.",
                                                          "Login", wxICON_WARNING));
        EXPECT_FALSE(LoggedIn());
    }
    EXPECT_TRUE(server.Commands().empty());
}

// What a dropped connection leaves in the PWD box: vsftpd refuses "CWD "
// with 550, so the site could never log in again.
TEST_F(LoginListing, ABlankPwdBoxStartsInTheServersLoginFolder)
{
    std::unique_ptr<VsftpdServer> server;
    try {
        server = std::make_unique<VsftpdServer>(VsftpdUploads::Refused);
    } catch (const std::runtime_error& failure) {
        GTEST_SKIP() << "vsftpd cannot run here: " << failure.what();
    }
    EnterSite("127.0.0.1", server->Port(), VsftpdServer::User, "", "");
    {
        FailOnAnyDialog strict;
        window->OnLogin();
    }
    ASSERT_TRUE(LoggedIn());
    EXPECT_EQ("/", ControlText(IDC_PWD));
}

TEST_F(LoginListing, HeaderClicksSortEachColumnAndRefreshKeepsTheNameDirection)
{
    PyFtpServer server;
    WriteSortTree(server);
    LogIn(server);
    ASSERT_TRUE(LoggedIn());
    struct Click {
        int column;
        Texts order;
    };
    const Click clicks[] = {
        {LIST_COLUMN_NAME, kNameReversed},
        {LIST_COLUMN_NAME, kDefaultOrder},
        {LIST_COLUMN_SIZE, {"Mid", "delta.txt", "Echo.bin", "zeta.txt", "alpha.TXT"}},
        {LIST_COLUMN_SIZE, {"alpha.TXT", "zeta.txt", "Echo.bin", "delta.txt", "Mid"}},
        {LIST_COLUMN_MODIFIED, {"Mid", "zeta.txt", "delta.txt", "Echo.bin", "alpha.TXT"}},
        {LIST_COLUMN_MODIFIED, {"alpha.TXT", "Echo.bin", "delta.txt", "zeta.txt", "Mid"}},
        {LIST_COLUMN_NAME, kNameReversed},
    };
    EXPECT_EQ(kDefaultOrder, Names());
    // The selected and focused row follow their entry, so Download, Delete
    // or Rename still act on the file the user picked.
    CFileListCtrl& list = *window->fileList;
    const auto focusedName = [&list] {
        const long row = list.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
        return row < 0 ? std::string() : list.Row(static_cast<int>(row)).name;
    };
    list.SetItemState(list.FindRow("zeta.txt"), wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                      wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    int step = 0;
    for (const Click& click : clicks) {
        window->OnColumnclickFileList(click.column);
        EXPECT_EQ(click.order, Names()) << "click " << ++step << " on column " << click.column;
        ASSERT_GE(list.FirstSelected(), 0) << "click " << step;
        EXPECT_EQ("zeta.txt", list.Row(list.FirstSelected()).name) << "click " << step;
        EXPECT_EQ(list.FirstSelected(), list.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED | 0));
        EXPECT_EQ("zeta.txt", focusedName()) << "click " << step;
    }
    // The last click on Size left it ascending, Modified too; a refresh sorts
    // by Name only, in the direction Name was last given.
    window->fileList->SelectRow(0);
    window->OnRefresh();
    EXPECT_EQ(kNameReversed, Names());
    EXPECT_EQ(-1, window->fileList->FirstSelected());
}

// The first object of `role` under `object` in the accessible tree, as a
// screen reader walks it.
AtkObject* FindAccessible(AtkObject* object, AtkRole role)
{
    if (atk_object_get_role(object) == role)
        return object;
    for (int i = 0; i < atk_object_get_n_accessible_children(object); ++i) {
        AtkObject* child = atk_object_ref_accessible_child(object, i);
        AtkObject* found = child ? FindAccessible(child, role) : nullptr;
        if (child)
            g_object_unref(child);
        if (found)
            return found;
    }
    return nullptr;
}

std::string CellName(AtkTable* table, int row, int column)
{
    AtkObject* cell = atk_table_ref_at(table, row, column);
    const std::string name = cell ? atk_object_get_name(cell) : "(none)";
    if (cell)
        g_object_unref(cell);
    return name;
}

std::string SortAttribute(AtkTable* table, int column)
{
    AtkAttributeSet* attributes = atk_object_get_attributes(atk_table_get_column_header(table, column));
    std::string order;
    for (GSList* item = attributes; item; item = item->next) {
        const auto* attribute = static_cast<const AtkAttribute*>(item->data);
        if (std::string(attribute->name) == "sort")
            order = attribute->value;
    }
    atk_attribute_set_free(attributes);
    return order;
}

// A screen reader meets the list as a table of the listed rows: names,
// sizes and times in cells, the kind with the name, the column headers with
// their sort order, and the selected row; a new order gives cells that read
// the new rows.
TEST_F(LoginListing, ScreenReadersReadTheListAsATable)
{
    PyFtpServer server;
    WriteSortTree(server);
    LogIn(server);
    ASSERT_TRUE(LoggedIn());
    CFileListCtrl& list = *window->fileList;
    AtkObject* found = FindAccessible(gtk_widget_get_accessible(static_cast<GtkWidget*>(list.GetHandle())),
                                      ATK_ROLE_TABLE);
    ASSERT_TRUE(found && ATK_IS_TABLE(found));
    AtkTable* table = ATK_TABLE(found);
    ASSERT_EQ(5, atk_table_get_n_rows(table));
    ASSERT_EQ(3, atk_table_get_n_columns(table));
    for (int column = 0; column < 3; ++column) {
        wxListItem item;
        item.SetMask(wxLIST_MASK_TEXT);
        ASSERT_TRUE(list.GetColumn(column, item));
        EXPECT_EQ(ToUtf8(item.GetText()), atk_object_get_name(atk_table_get_column_header(table, column)));
    }
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(ToUtf8(list.GetItemText(row, column)), CellName(table, row, column));
    AtkObject* first = atk_table_ref_at(table, 0, 0);
    EXPECT_STREQ("Folder", atk_object_get_description(first));
    EXPECT_EQ("ascending", SortAttribute(table, LIST_COLUMN_NAME));
    EXPECT_EQ("none", SortAttribute(table, LIST_COLUMN_SIZE));

    list.SelectRow(list.FindRow("zeta.txt"));
    EXPECT_TRUE(atk_table_is_row_selected(table, 4));
    gint* selected = nullptr;
    ASSERT_EQ(1, atk_table_get_selected_rows(table, &selected));
    EXPECT_EQ(4, selected[0]);
    g_free(selected);

    window->OnColumnclickFileList(LIST_COLUMN_NAME);
    EXPECT_EQ("descending", SortAttribute(table, LIST_COLUMN_NAME));
    EXPECT_EQ("zeta.txt", CellName(table, 0, 0));
    EXPECT_TRUE(atk_table_is_row_selected(table, 0));
    AtkStateSet* states = atk_object_ref_state_set(first);
    EXPECT_TRUE(atk_state_set_contains_state(states, ATK_STATE_DEFUNCT)) << "a cell of the old order";
    g_object_unref(states);
    g_object_unref(first);
}

TEST_F(LoginListing, RefreshFetchesAfreshButNotDuringATransfer)
{
    PyFtpServer server;
    server.WriteFile("first.txt", "1");
    LogIn(server);
    ASSERT_TRUE(LoggedIn());
    server.WriteFile("second.txt", "2");
    window->transferInProgress = 1;
    const int beeps = BeepCount();
    window->OnRefresh();
    EXPECT_EQ((Texts{"first.txt"}), Names());
    EXPECT_EQ(beeps, BeepCount());
    window->transferInProgress = 0;
    window->OnRefresh();
    EXPECT_EQ((Texts{"first.txt", "second.txt"}), Names());
    EXPECT_EQ("\n0 folders - 2 files - 0 KB", ControlText(IDC_INFO));
}

TEST_F(LoginListing, AnEmptyDirectoryGivesNoRowsAndZeroCounts)
{
    PyFtpServer server;
    LogIn(server);
    ASSERT_TRUE(LoggedIn());
    EXPECT_EQ(0, window->fileList->GetItemCount());
    EXPECT_EQ("\n0 folders - 0 files - 0 KB", ControlText(IDC_INFO));
}

TEST_F(LoginListing, LogoutAndLoginAgainRestartsTheClockWithAFreshListing)
{
    PyFtpServer server;
    server.WriteFile("before.txt", "b");
    LogIn(server);
    ASSERT_TRUE(LoggedIn());
    window->loginTime -= 100;
    window->OnTimer(kClockTimerId);
    EXPECT_EQ("00:01:40", ControlText(IDC_RUNTIME));

    window->OnLogout();
    ExpectLoggedOut();
    EXPECT_TRUE(HasFocus(IDC_LOGIN));
    for (int id : {IDC_USER, IDC_PSWD, IDC_PORT, IDC_PWD})
        EXPECT_TRUE(Editable(id)) << id;

    server.WriteFile("after.txt", "a");
    window->OnLogin();
    ASSERT_TRUE(LoggedIn());
    EXPECT_EQ("00:00:00", ControlText(IDC_RUNTIME));
    EXPECT_EQ((Texts{"after.txt", "before.txt"}), Names());
}

TEST_F(LoginListing, LogoutWhileLoggedOutBeepsAndStillResetsTheLook)
{
    Open();
    window->runTimeText = "00:00:07";
    window->UpdateData(false);
    const int beeps = BeepCount();
    window->OnLogout();
    EXPECT_EQ(beeps + 1, BeepCount());
    ExpectLoggedOut();
    EXPECT_TRUE(HasFocus(IDC_LOGIN));
}

TEST_F(LoginListing, LogoutDuringATransferIsRefusedAndChangesNothing)
{
    PyFtpServer server;
    server.WriteFile("kept.txt", "k");
    LogIn(server);
    ASSERT_TRUE(LoggedIn());
    window->transferInProgress = 1;
    wxTEST_DIALOG(window->OnLogout(),
                  ExpectMessageBox("A file transfer is in progress.\n\nPress Abort before trying to Logout.", "Logout",
                                   wxICON_INFORMATION));
    EXPECT_TRUE(LoggedIn());
    EXPECT_EQ((Texts{"kept.txt"}), Names());
    window->transferInProgress = 0;
    window->OnLogout();
    EXPECT_FALSE(LoggedIn());
}

TEST_F(LoginListing, ADosStyleListingShowsTheSameRows)
{
    // DOS listings carry minutes only, so the tree's times are whole minutes.
    PyFtpServer unix;
    PyFtpServer dos(PyFtpServer::Options{.dosListing = true});
    WriteSortTree(unix);
    WriteSortTree(dos);
    LogIn(unix);
    ASSERT_TRUE(LoggedIn());
    const std::vector<std::string> machineRows = RowTexts();
    const std::string machineSummary = ControlText(IDC_INFO);
    window->OnLogout();
    LogIn(dos);
    ASSERT_TRUE(LoggedIn());
    EXPECT_EQ(machineRows, RowTexts());
    EXPECT_EQ(machineSummary, ControlText(IDC_INFO));
}

TEST_F(LoginListing, Utf8NamesShowAsTheyAre)
{
    PyFtpServer server;
    server.WriteFile("Grüße €.txt", "x");
    server.MakeDirectory("日本語");
    LogIn(server);
    ASSERT_TRUE(LoggedIn());
    EXPECT_EQ((Texts{"日本語", "Grüße €.txt"}), Names());
}

// While logged in, the mouse wheel over the site box or Down in it would
// switch the fields to another site without opening the list: the change is
// put back with the notice, and at close each site keeps its own record.
TEST_F(LoginListing, WhileLoggedInAWheelOrKeyChangeOfTheSiteIsPutBack)
{
    PyFtpServer server;
    server.MakeDirectory("docs");
    const std::string other = SiteRecord("zz.other.example", "zed", "zpw");
    Store("nDomains", 1);
    Store("domainStr_0", other);
    LogIn(server, "/docs");
    ASSERT_TRUE(LoggedIn());
    ASSERT_EQ(1, Combo().GetSelection());  // the new entry, after the placeholder
    ASSERT_TRUE(PumpUntil([&] { return window->IsActive(); }));

    wxUIActionSimulator input;
    const wxRect box = Combo().GetScreenRect();
    input.MouseMove(box.GetLeft() + 20, box.GetTop() + box.GetHeight() / 2);
    Combo().SetFocus();
    PumpEvents();
    bool seen = false;
    wxTEST_DIALOG(input.Char(WXK_DOWN); EXPECT_TRUE(PumpUntil([&] { return seen; }, 10)),
                  SeenMessageBox(&seen, "Can't change Sites.\n\nPlease logout first!", "Connected to Server",
                                 wxICON_WARNING));
    EXPECT_EQ(1, Combo().GetSelection());
    EXPECT_EQ("127.0.0.1", ToUtf8(Combo().GetValue()));
    EXPECT_EQ(PyFtpServer::User, ControlText(IDC_USER));
    EXPECT_EQ("/docs", ControlText(IDC_PWD));

    SettingsStore& saved = CloseAndReread();
    EXPECT_EQ(2, saved.GetProfileInt("nDomains", 0));
    EXPECT_EQ(other, saved.GetProfileString("domainStr_1", ""));
    EXPECT_EQ("127.0.0.1", RecordDomain(saved.GetProfileString("domainStr_0", "")));
    EXPECT_EQ("/docs", LoadSiteRecord(saved.GetProfileString("domainStr_0", "")).workingDir);
}

// A quote in a field the user cannot see (a chosen local path) never blocks
// the login: the field goes back to its default and the site is saved.
TEST_F(LoginListing, AQuoteInAHiddenFieldIsResetAndTheSiteStillSaved)
{
    PyFtpServer server;
    EnterSite("127.0.0.1", server.Port(), PyFtpServer::User, PyFtpServer::Password);
    window->uploadFileName = "say \"hi\".txt";
    window->uploadFolder = "/home/anna/\"quoted\"/";
    window->downloadFolder = "/tmp/a\"b/";
    window->OnLogin();
    ASSERT_TRUE(LoggedIn());
    // A later download into a quoted folder, then the close.
    window->downloadFolder = "/tmp/c\"d/";
    const SiteProfile saved = LoadSiteRecord(CloseAndReread().GetProfileString("domainStr_0", ""));
    EXPECT_EQ("127.0.0.1", saved.domain);
    EXPECT_EQ("", saved.uploadFileName);
    EXPECT_EQ("/", saved.uploadFolder);
    EXPECT_EQ("/", saved.downloadFolder);
}

// A server that lists one folder whose name is Latin-1, not UTF-8.
class ForeignNames : public RemoteWindowFixture {};

TEST_F(ForeignNames, AreShownReadablyAndEnteredWithTheirOriginalBytes)
{
    ScriptedFtpServer server;
    const std::string listing = "drwxr-xr-x 2 0 0 4096 Jan 01 2020 caf\xe9 noir\r\n"
                                "-rw-r--r-- 1 0 0 2000 Jan 01 2020 men\xfc.txt\r\n";
    server.Then("211-Features:\n SIZE\n211 End");
    server.Then("331 Password required.");
    server.Then("230 Logged in.");
    server.Then("250 CWD ok.");
    server.Then("257 \"/\" is the current directory.");
    server.Then("200 Type set to A.");
    server.Then("200 EPRT ok.");
    server.Then(ScriptedFtpServer::SendData(listing));
    EnterSite("127.0.0.1", server.Port(), "anna", "secret");
    window->OnLogin();
    ASSERT_TRUE(LoggedIn());
    EXPECT_EQ((Texts{"café noir", "menü.txt"}), Names());
    EXPECT_EQ("menü.txt | 2 KB | 01/01/2020 12:00 AM", RowText(1));

    server.Then("250 CWD ok.");
    server.Then("257 \"/caf\xe9 noir\" is the current directory.");
    server.Then("200 EPRT ok.");
    server.Then(ScriptedFtpServer::SendData(""));
    window->fileList->SelectRow(0);
    window->OnChdir();
    const std::vector<std::string> commands = server.Commands();
    EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "CWD caf\xe9 noir"));
    EXPECT_EQ("/café noir", ControlText(IDC_PWD));
    EXPECT_EQ(0, window->fileList->GetItemCount());
}

} // namespace

namespace {

// Answers the Rename prompt through its real edit box, as the user would:
// notes what the box shows, types `typed` over it unless it is empty, OK.
class RenamePromptThroughTheEdit : public wxExpectModalBase<CInputDlg, RenamePromptThroughTheEdit> {
public:
    RenamePromptThroughTheEdit(std::string* shown, std::string typed) : shown(shown), typed(std::move(typed)) {}

protected:
    int OnInvoked(CInputDlg* dialog) const override
    {
        auto* edit = static_cast<wxTextCtrl*>(dialog->FindWindow(1028));
        dialog->TransferDataToWindow();
        *shown = ToUtf8(edit->GetValue());
        if (!typed.empty())
            edit->ChangeValue(FromUtf8(typed));
        dialog->TransferDataFromWindow();
        return wxID_OK;
    }

private:
    std::string* shown;
    std::string typed;
};

// OK on the unchanged name sends the name's own bytes back; an edit keeps
// the name's Latin-1 where every character fits it.
TEST_F(ForeignNames, ARenameSendsTheNamesOwnBytesUnlessEdited)
{
    ScriptedFtpServer server;
    server.Then("211-Features:\n SIZE\n211 End");
    server.Then("331 Password required.");
    server.Then("230 Logged in.");
    server.Then("250 CWD ok.");
    server.Then("257 \"/\" is the current directory.");
    server.Then("200 Type set to A.");
    server.Then("200 EPRT ok.");
    server.Then(ScriptedFtpServer::SendData("-rw-r--r-- 1 0 0 2000 Jan 01 2020 caf\xe9.txt\r\n"));
    EnterSite("127.0.0.1", server.Port(), "anna", "secret");
    window->OnLogin();
    ASSERT_TRUE(LoggedIn());
    const std::size_t loginCommands = server.Commands().size();

    server.Then("350 Ready for RNTO.");
    server.Then("553 Not allowed.");
    server.Then("350 Ready for RNTO.");
    server.Then("250 Renamed.");
    server.Then("257 \"/\" is the current directory.");
    server.Then("200 EPRT ok.");
    server.Then(ScriptedFtpServer::SendData("-rw-r--r-- 1 0 0 2000 Jan 01 2020 caf\xe9s.txt\r\n"));
    window->fileList->SelectRow(0);
    std::string firstShown, secondShown;
    wxTEST_DIALOG(window->OnRename(), RenamePromptThroughTheEdit(&firstShown, ""),
                  ExpectMessageBox("Problem renaming\n\"café.txt\" to \"café.txt\"\n553 Not allowed.", "Rename",
                                   wxICON_ERROR),
                  RenamePromptThroughTheEdit(&secondShown, "cafés.txt"));
    EXPECT_EQ("café.txt", firstShown);
    EXPECT_EQ("café.txt", secondShown);
    const std::vector<std::string> all = server.Commands();
    ASSERT_GE(all.size(), loginCommands + 4);
    EXPECT_EQ((Texts{"RNFR caf\xe9.txt", "RNTO caf\xe9.txt", "RNFR caf\xe9.txt", "RNTO caf\xe9s.txt"}),
              Texts(all.begin() + static_cast<long>(loginCommands), all.begin() + static_cast<long>(loginCommands) + 4));
    EXPECT_EQ((Texts{"cafés.txt"}), Names());
}

} // namespace
