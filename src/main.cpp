#include "app/CFtpClientApp.h"

#include <wx/init.h>

int main(int argc, char** argv)
{
    wxApp::SetInstance(new CFtpClientApp);
    // The application ends with its dialog: InitInstance returns false on
    // purpose, which is not a failure of the program.
    wxEntry(argc, argv);
    return 0;
}
