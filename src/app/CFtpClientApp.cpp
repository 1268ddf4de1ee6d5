#include "app/CFtpClientApp.h"

#include "app/CFtpClientDlg.h"
#include "app/SettingsStore.h"
#include "platform/Resources.h"

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
