#include "app/CFtpClientApp.h"

#include "app/CFtpClientDlg.h"
#include "app/ChromeRules.h"
#include "app/SettingsStore.h"
#include "app/ShellOpen.h"
#include "ftp/LastErrorText.h"
#include "platform/CloseSignals.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/Text.h"

wxIMPLEMENT_APP_NO_MAIN(CFtpClientApp);

bool CFtpClientApp::OnInit()
{
    return InitInstance();
}

bool CFtpClientApp::InitInstance()
{
    SetAppName("Vantrel");
    SetAppDisplayName("Vantrel");
    SettingsStore::SetRegistryKey("Quillmarsh");
    InitResources();
    {
        CFtpClientDlg dialog(nullptr);
        SetTopWindow(&dialog);
        const CloseSignals closeOnSignal([&dialog] { dialog.OnEndSignal(); });
        dialog.ShowModal();
        SetTopWindow(nullptr);
    }
    return false;
}

void CFtpClientApp::OnDocumentation()
{
    // Not wxLaunchDefaultBrowser: it turns a file:// address into a bare
    // path, keeps "#page=1&view=fitH" as part of the file name and splits
    // the command at blanks, so the guide is never found.
    const std::string address = DocumentationAddress(FindDocumentationPdf());
    if (ShellOpen(address))
        return;
    MessageBox(wxTheApp->GetTopWindow(), LastErrorText() + "\n\n" + address, ToUtf8(wxTheApp->GetAppDisplayName()),
               MB_OK | MB_ICONEXCLAMATION);
}
