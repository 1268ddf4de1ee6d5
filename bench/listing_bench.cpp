// Times the main window's Refresh from the click to a drawn, sorted list:
// logs in with the real window, then refreshes a number of times and prints
// the fastest and the median run in milliseconds, one line:
//   <rows> <fastest ms> <median ms>
// Usage: listing_bench <port> <user> <password> <directory> [runs]
// With 0 runs it only logs in (the login lists the directory once, as in
// the window), prints the rows and logs out: roundtrip_bench.sh times that
// login on the link.
// The Domain box gets BENCH_DOMAIN as it is (127.0.0.1 unless set), so any
// scheme the window takes works here. The settings folder is the one
// XDG_CONFIG_HOME names, as for the window: the stored sites are read at the
// start and what the login keeps there (trusted certificates and the like)
// carries from one run to the next; listing_bench.sh points it at a
// throwaway folder.
#include "BenchDomain.h"
#include "app/CFtpClientDlg.h"
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "platform/Resources.h"
#include "platform/Text.h"

#include <wx/app.h>
#include <wx/combobox.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

enum BenchExit : int {
    BENCH_OK = 0,
    BENCH_USAGE = 2,
    BENCH_NO_DISPLAY = 3,
    BENCH_LOGIN_FAILED = 4,
};

void Type(CFtpClientDlg& window, int id, const std::string& text)
{
    static_cast<wxTextCtrl*>(window.FindWindow(id))->ChangeValue(FromUtf8(text));
}

void Pump()
{
    while (wxTheApp->Pending())
        wxTheApp->Dispatch();
    wxTheApp->ProcessPendingEvents();
}

double RefreshMilliseconds(CFtpClientDlg& window)
{
    const auto start = std::chrono::steady_clock::now();
    window.OnRefresh();
    window.fileList->Update();  // paints the visible rows now
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

int Run(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <port> <user> <password> <directory> [runs]\n", argv[0]);
        return BENCH_USAGE;
    }
    const int runs = argc > 5 ? std::max(0, std::atoi(argv[5])) : 5;
    auto window = std::make_unique<CFtpClientDlg>(nullptr);
    window->Show();
    Pump();
    window->domainCombo->ChangeValue(FromUtf8(BenchDomain()));
    Type(*window, IDC_USER, argv[2]);
    Type(*window, IDC_PSWD, argv[3]);
    Type(*window, IDC_PORT, argv[1]);
    Type(*window, IDC_PWD, argv[4]);
    window->OnLogin();
    if (!window->session) {
        std::fprintf(stderr, "login to port %s failed\n", argv[1]);
        return BENCH_LOGIN_FAILED;
    }
    Pump();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(RefreshMilliseconds(*window));
    std::sort(times.begin(), times.end());
    if (times.empty())
        std::printf("%d\n", window->fileList->GetItemCount());
    else
        std::printf("%d %.1f %.1f\n", window->fileList->GetItemCount(), times.front(), times[times.size() / 2]);
    window->OnLogout();
    return BENCH_OK;
}

}  // namespace

int main(int argc, char** argv)
{
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start the wx application (is DISPLAY set?)\n");
        return BENCH_NO_DISPLAY;
    }
    wxTheApp->SetAppName("Vantrel");
    wxTheApp->SetAppDisplayName("Vantrel");
    delete wxLog::SetActiveTarget(new wxLogStderr);
    InitResources();
    const int result = Run(argc, argv);
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
