#include "app/CFtpClientApp.h"

#include "app/CFtpClientDlg.h"
#include "app/ChromeRules.h"
#include "app/SettingsStore.h"
#include "ftp/LastErrorText.h"
#include "platform/LastError.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/Text.h"

#include <wx/utils.h>

#include <cerrno>

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
        dialog.ShowModal();
        SetTopWindow(nullptr);
    }
    return false;
}

void CFtpClientApp::OnDocumentation()
{
    const std::string address = DocumentationAddress(FindDocumentationPdf());
    if (wxLaunchDefaultBrowser(FromUtf8(address)))
        return;
    // The browser hands back no error code of its own; say what failed.
    SetLastError(ENOENT);
    MessageBox(GetTopWindow(), LastErrorText() + "\n\n" + address, ToUtf8(GetAppDisplayName()),
               MB_OK | MB_ICONEXCLAMATION);
}
