#pragma once
// The main window. Its handlers are one class whose sources are split by
// subsystem: app/ (start-up, state, close, chrome), sites/, ftp/, transfer/,
// fileops/, viewers/. Everything here runs on the user-interface thread;
// only the transfer worker (transfer/TransferWorker) runs elsewhere and
// reaches the window through queued events.
#include "engine/EngineTimeouts.h"
#include "engine/TlsTypes.h"
#include "engine/TransferTypes.h"
#include "sites/SiteProfile.h"
#include "transfer/TransferJob.h"
#include "viewers/ViewerDownload.h"
#include "viewers/ViewerTempDir.h"

#include <wx/dialog.h>
#include <wx/iconbndl.h>
#include <wx/timer.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

class CFileListCtrl;
class CFtpSession;
class CPercentProgressCtrl;
class FtpConnection;
class InternetFile;
class SettingsStore;
class wxComboBox;
class wxListEvent;

// Posted by the window to itself when the site list is opened while logged in.
wxDECLARE_EVENT(WM_SITE_LOCKED, wxCommandEvent);

class CFtpClientDlg : public wxDialog {
public:
    explicit CFtpClientDlg(wxWindow* parent);
    ~CFtpClientDlg() override;

    // Shows the members in the controls (false) or reads the controls into
    // the members (true), in the binding order of the template. Returns false
    // when a control holds no valid value (the port box not a whole number).
    bool UpdateData(bool saveAndValidate);

    // --- app/: start-up, state, close sequence
    bool OnInitDialog();
    void SetLoggedInState(bool loggedIn);
    void SaveSettingsAndClose();
    void OnClose();
    void OnCancel();
    // SIGTERM, SIGHUP or SIGINT, handed over to the user-interface thread.
    void OnEndSignal();

    // --- sites/
    std::string FormatSiteRecord() const;
    void LoadSiteRecord(const std::string& record);
    void OnSelchangeDomain();
    void OnDropdownDomain();
    void OnSiteLocked();
    void OnRemove();
    void OnHidePassword();
    void RecordSiteAfterLogin();

    // --- ftp/
    void OnLogin();
    void OnLogout();
    void RefreshListing();
    void ClearListing();
    void OnRefresh();
    void OnColumnclickFileList(int column);
    void OnChdir();
    void OnDblclkFileList();
    void OnCdUp();
    void OnCdRoot();

    // --- transfer/
    void OnTransferMode();
    void OnDownload();
    void OnUpload();
    // Local paths dropped on the window; false when the drop is refused.
    bool OnDropFiles(const std::vector<std::string>& paths);
    void OnAbort();
    void OnAbortGraceOver();
    void OnTransferError(const std::string& text, const std::string& caption);
    void OnTransferProgress(long long bytes);
    void OnTransferDone();

    // --- fileops/
    void OnDelete();
    void OnMkdir();
    void OnRename();

    // --- viewers/
    void OnOpenIn(int commandId);
    std::string DownloadForViewing();
    void OnOpenInConfigure();

    // --- app/ chrome
    void OnTimer(int timerId);
    void OnContextMenu(const wxPoint& screenPoint);
    wxPoint KeyboardMenuPoint() const;
    void OnHelpButton();
    void OnAbout();
    void OnSize(bool restored);
    void FocusControl(wxWindow* control);

    // The members, in the order and with the meanings of the design; texts
    // are UTF-8.
    CPercentProgressCtrl* progressBar = nullptr;
    CFileListCtrl* fileList = nullptr;
    std::string password;
    std::string userName;
    std::string workingDir;
    std::string infoText;
    int hidePassword = 0;
    int transferMode = -1;
    int port = 0;
    std::string runTimeText;
    std::string domain;
    std::string windowTitle;
    TransferJob transferJob;
    std::string uploadFileName;
    std::string uploadFolder;
    std::string openBrowserPath;
    // The busy mark and the abort request, shared with the transfer worker.
    std::atomic<int> transferInProgress{0};
    std::vector<std::string> tempFiles;
    std::string openTextPath;
    std::string openGraphicsPath;
    std::string asciiExtList;
    wxComboBox* domainCombo = nullptr;
    int currentSite = 0;
    int sortDescending[3] = {0, 0, 0};
    std::time_t loginTime = 0;
    std::string downloadFolder;
    std::unique_ptr<FtpConnection> ftpConnection;
    // The host and port of the current login, under which the site memory
    // keeps what the engine learned of the server.
    struct ServerPlace {
        std::string host;
        std::uint16_t port = 0;
    } serverPlace;
    std::unique_ptr<CFtpSession> session;
    wxIconBundle hIcon;
    // The engine's deadlines for the sessions Login makes; tests shorten them.
    EngineTimeouts sessionTimeouts;
    // Where Open In puts its files, and how far its download may run; tests
    // shorten the limits.
    ViewerTempDir viewerTempDir;
    ViewerDownloadLimits viewerLimits;

private:
    void CreateCustomControls();
    void NameControlsByLabels();
    void OnFirstIdle(wxIdleEvent& event);
    void BindEvents();
    void LoadSettings(SettingsStore& store);
    void LoadSiteRecords(SettingsStore& store);
    static std::vector<std::string> StoredSiteRecords(const SettingsStore& store);
    void PlaceWindow(int x, int y);
    void InsertColumns(SettingsStore& store);
    void SaveSettings();
    bool WriteSettings(std::string& error);
    SiteProfile CurrentFields() const;
    void SetCurrentFields(const SiteProfile& site);
    void StoreCurrentFields();
    void ResetQuotedHiddenFields();
    void ApplyPasswordMask();
    int AddSiteItem(const std::string& name, const std::string& record);
    // Appends records already in the box's order, each named by its site.
    void AddSiteItems(const std::vector<std::string>& records);
    std::string& SiteRecordAt(int index);
    void DeleteSiteItem(int index);
    void SelectRow(int row);
    void ChangeDirectory(const std::string& directory, const char* caption);
    void ShowListingFailure();
    // After a failure: a control connection that is gone can do nothing
    // more, so the window goes back to the logged-out look. True when it did.
    bool LogOutIfDropped();
    // The failure box of a server command, under the command's caption; a
    // session the server ended says so in it and logs the window out. True
    // when it did.
    bool ShowServerFailure(const std::string& text, const char* caption);
    bool EnterLinkedFolder(const std::string& name);
    void RecallServer(FtpLoginRequest& request);
    void RememberServer();
    bool IsIdleAndConnected() const;
    // From a worker's start until its WM_TRANSFER_DONE, Abort or not: the
    // worker still uses the job, the connection and this window.
    bool TransferBusy() const;
    // The common guard of the commands that use the connection: true (after
    // the plain beep) when a transfer runs or nobody is logged in.
    bool RefuseWhileBusy() const;
    // The first selected row, or -1 after the box that says none is.
    int SelectedRowOrSay(const char* text, const char* caption);
    // False when the new name is another listed entry's and the user said No.
    bool MayReplaceByRename(int row, const std::string& newName, const std::string& shownName);
    void StartTransfer(TransferDirection direction, const std::string& localPath, const std::string& remoteName,
                       std::int64_t totalBytes, std::unique_ptr<InternetFile> remote, TransferType type,
                       std::int64_t offset);
    void SayTransferInProgress();
    enum class WorkerWait { Ended, AlreadyWaiting, TimedOut };
    WorkerWait WaitForWorker();
    void UploadFile(const std::string& path, const std::string& name);
    // The questions before a transfer onto an existing file: false to stop;
    // `offset` is set where the user chose Resume.
    bool MayWriteLocalFile(const std::string& localPath, std::uint64_t remoteSize, TransferType type,
                           std::int64_t& offset);
    bool MayReplaceRemoteFile(int row, const std::string& path, const std::string& name, TransferType type,
                              std::int64_t& offset);
    // Opens the remote file from `offset` on; a server that will not resume
    // is said so and Replace offered (then `offset` is 0). Null, after its
    // box, when nothing is to be transferred.
    std::unique_ptr<InternetFile> OpenRemoteFile(const std::string& name, FileAccess access, TransferType type,
                                                 std::int64_t& offset, const char* caption);
    void UploadDropped(const std::string& path, const std::string& leftOutText);
    // Presses the button that a key in the file list stands for, where the
    // button is enabled; false when the key is not one of them.
    bool PressButtonForListKey(int keyCode, int modifiers);

    // The site box's items, index for index with the box, each with the
    // record it owns. wx's GTK box counts its items by walking them all, so
    // reading them back from it one by one takes quadratic time.
    struct SiteItem {
        std::string name;
        std::string record;
    };
    std::vector<SiteItem> siteItems;
    // The site records as this window read them, to tell at the close which
    // sites it changed from those another window changed meanwhile.
    std::vector<std::string> recordsAtStart;
    wxTimer clockTimer;
    wxTimer abortTimer;
    wxTimer endSignalTimer;
    // Set from the worker's start to WM_TRANSFER_DONE: the job, the
    // connection and this window must outlive the worker, also after Abort.
    bool workerRunning = false;
    // Set while WaitForWorker yields: a Logout or Close clicked meanwhile
    // would nest a wait that never sees WM_TRANSFER_DONE.
    bool waitingForWorker = false;
    // The control FocusControl could not focus yet: the window was not active.
    wxWindow* focusOnActivate = nullptr;
    // The position read at start, saved again where the windowing system
    // tells no window its position (Wayland).
    wxPoint storedPosition;
    // Said after the last line of an upload that a drop of several files
    // started: the files left out.
    std::string uploadLeftOutText;
};
