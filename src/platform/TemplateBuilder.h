#pragma once
#include <wx/gdicmn.h>
#include <wx/string.h>

#include <string>

class wxDialog;
class wxWindow;
class wxXmlNode;
class TemplateParams;

// Builds a dialog from its template in res/: the dialog with its title,
// style, font and client size, then each control in the order of the
// template (which is the tab order), at the place the template gives in
// dialog units of the dialog's font. Controls named by a number get it as
// their window ID ("1" and "2" the standard OK and Cancel). A control the
// toolkit does not have ("unknown") gets an empty container named
// "<name>_container", to be filled by AttachToTemplatePlace.
class TemplateBuilder {
public:
    explicit TemplateBuilder(wxDialog* dialog);

    // False if the template holds anything it does not understand; the
    // dialog is then in whatever state the build reached.
    bool Build(wxWindow* parent, const wxXmlNode& node);

private:
    bool AddControl(const wxXmlNode& node);
    // Reads the pair `name` (a place or a size) in pixels into `pixels`;
    // left as it is when the object has none, false when it is malformed.
    bool ReadPair(TemplateParams& params, const std::string& name, wxPoint& pixels) const;
    wxPoint ToPixels(int x, int y, bool dialogUnits) const;

    wxDialog* dialog;
    // The font's dialog unit base in pixels, measured once: the toolkit
    // measures the font's text anew at each conversion, which made the
    // conversions a quarter of the main window's build.
    wxSize unitBase;
};

// An <object> element of a template, of the class `className` if one is named.
bool IsTemplateObject(const wxXmlNode* node, const wxString& className = wxString());

// Puts `control` into the container the template made for the unknown
// control `placeName`, filling it; the control takes that name and its
// number as ID.
bool AttachToTemplatePlace(wxWindow* dialog, const wxString& placeName, wxWindow* control);
