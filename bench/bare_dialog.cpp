// The yardstick of the start-up benchmark: an empty wxWidgets dialog with the
// main window's frame style, font and size (template 102, 328 x 264 dialog
// units in Courier New 12), shown modally the way the program shows its
// window, and nothing else.
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/font.h>

namespace {

constexpr int kWidthDu = 328;
constexpr int kHeightDu = 264;
constexpr int kFontPoints = 12;

} // namespace

class CBareDialogApp : public wxApp {
public:
    bool OnInit() override
    {
        wxDialog dialog(nullptr, wxID_ANY, "Bare dialog", wxDefaultPosition, wxDefaultSize,
                        wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX);
        dialog.SetFont(wxFont(wxFontInfo(kFontPoints).FaceName("Courier New")));
        dialog.SetClientSize(dialog.ConvertDialogToPixels(wxSize(kWidthDu, kHeightDu)));
        dialog.ShowModal();
        return false;
    }
};

wxIMPLEMENT_APP(CBareDialogApp);
