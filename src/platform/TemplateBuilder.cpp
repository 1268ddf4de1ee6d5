// Runs on the user-interface thread, as every window does.
#include "platform/TemplateBuilder.h"

#include "platform/Resources.h"
#include "platform/TemplateRules.h"
#include "platform/Text.h"

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/font.h>
#include <wx/fontenum.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tokenzr.h>
#include <wx/xml/xml.h>

#include <map>
#include <optional>
#include <set>

// The settings of one object of a template (its child elements by name),
// each taken once by the part of the build that understands it; what is
// left over was not understood.
class TemplateParams {
public:
    explicit TemplateParams(const wxXmlNode& node)
    {
        for (const wxXmlNode* child = node.GetChildren(); child; child = child->GetNext())
            if (child->GetType() == wxXML_ELEMENT_NODE && child->GetName() != "object")
                params[ToUtf8(child->GetName())] = child;
    }

    bool Has(const std::string& name) const { return params.contains(name); }

    const wxXmlNode* Node(const std::string& name)
    {
        const auto found = params.find(name);
        if (found == params.end())
            return nullptr;
        taken.insert(name);
        return found->second;
    }

    std::string Text(const std::string& name)
    {
        const wxXmlNode* node = Node(name);
        return node ? ToUtf8(node->GetNodeContent()) : std::string();
    }

    wxString Label(const std::string& name) { return FromUtf8(TemplateLabel(Text(name))); }

    bool AllTaken() const { return taken.size() == params.size(); }

private:
    std::map<std::string, const wxXmlNode*> params;
    std::set<std::string> taken;
};

namespace {

wxWindowID IdOfName(const wxString& name)
{
    long number = 0;
    if (!name.ToLong(&number) || number <= 0)
        return wxID_ANY;
    if (number == 1)
        return wxID_OK;
    if (number == 2)
        return wxID_CANCEL;
    return static_cast<wxWindowID>(number);
}

// What every control of a template is created with.
struct Placement {
    wxWindow* parent;
    wxWindowID id;
    wxString name;
    wxPoint position;
    wxSize size;
    long style;
};

wxBitmap TemplateBitmap(TemplateParams& params, const std::string& name)
{
    return LoadResourceBitmap(FromUtf8(params.Text(name)));
}

void MakeDefaultIfAsked(wxButton* button, TemplateParams& params)
{
    if (params.Text("default") == "1")
        button->SetDefault();
}

// A control with a caption, which takes a validator (a button, a check box).
template <class Control>
wxWindow* CreateCaptioned(const Placement& at, TemplateParams& params)
{
    return new Control(at.parent, at.id, params.Label("label"), at.position, at.size, at.style, wxDefaultValidator,
                       at.name);
}

// A control with a caption and no validator (a static text or box).
template <class Control>
wxWindow* CreateLabelled(const Placement& at, TemplateParams& params)
{
    return new Control(at.parent, at.id, params.Label("label"), at.position, at.size, at.style, at.name);
}

wxWindow* CreateButton(const Placement& at, TemplateParams& params)
{
    auto* button = static_cast<wxButton*>(CreateCaptioned<wxButton>(at, params));
    MakeDefaultIfAsked(button, params);
    return button;
}

wxWindow* CreateBitmapButton(const Placement& at, TemplateParams& params)
{
    auto* button = new wxBitmapButton(at.parent, at.id, TemplateBitmap(params, "bitmap"), at.position, at.size,
                                      at.style, wxDefaultValidator, at.name);
    if (params.Has("pressed"))
        button->SetBitmapPressed(TemplateBitmap(params, "pressed"));
    MakeDefaultIfAsked(button, params);
    return button;
}

wxWindow* CreateStaticBitmap(const Placement& at, TemplateParams& params)
{
    return new wxStaticBitmap(at.parent, at.id, TemplateBitmap(params, "bitmap"), at.position, at.size, at.style,
                              at.name);
}

wxWindow* CreateTextCtrl(const Placement& at, TemplateParams&)
{
    return new wxTextCtrl(at.parent, at.id, wxString(), at.position, at.size, at.style, wxDefaultValidator,
                          at.name);
}

wxWindow* CreateComboBox(const Placement& at, TemplateParams&)
{
    return new wxComboBox(at.parent, at.id, wxString(), at.position, at.size, 0, nullptr, at.style,
                          wxDefaultValidator, at.name);
}

wxWindow* CreateListBox(const Placement& at, TemplateParams&)
{
    return new wxListBox(at.parent, at.id, at.position, at.size, 0, nullptr, at.style, wxDefaultValidator,
                         at.name);
}

wxWindow* CreatePlace(const Placement& at, TemplateParams&)
{
    return new wxPanel(at.parent, wxID_ANY, at.position, at.size, at.style | wxTAB_TRAVERSAL | wxNO_BORDER,
                       at.name + "_container");
}

using ControlFactory = wxWindow* (*)(const Placement&, TemplateParams&);

struct ControlClass {
    const char* name;
    ControlFactory create;
};

// The classes the templates use, and no more.
constexpr ControlClass kControlClasses[] = {
    {"wxButton", CreateButton},
    {"wxBitmapButton", CreateBitmapButton},
    {"wxStaticBitmap", CreateStaticBitmap},
    // Static texts also wrap, which needs the builder's unit conversion; see
    // TemplateBuilder::AddControl.
    {"wxStaticText", CreateLabelled<wxStaticText>},
    {"wxStaticBox", CreateLabelled<wxStaticBox>},
    {"wxTextCtrl", CreateTextCtrl},
    {"wxComboBox", CreateComboBox},
    {"wxListBox", CreateListBox},
    {"wxCheckBox", CreateCaptioned<wxCheckBox>},
    {"wxRadioButton", CreateCaptioned<wxRadioButton>},
    {"unknown", CreatePlace},
};

ControlFactory FactoryOf(const wxString& className)
{
    for (const ControlClass& control : kControlClasses)
        if (className == control.name)
            return control.create;
    return nullptr;
}

// Only the dialog holds controls; a control's own children are not built.
bool HasObjects(const wxXmlNode& node)
{
    for (const wxXmlNode* child = node.GetChildren(); child; child = child->GetNext())
        if (IsTemplateObject(child))
            return true;
    return false;
}

// The font a template names: its point size and the first of its faces this
// machine has (none known: the default face).
wxFont TemplateFont(const wxXmlNode& node)
{
    TemplateParams params(node);
    wxFontInfo info;
    long points = 0;
    if (FromUtf8(params.Text("size")).ToLong(&points) && points > 0)
        info = wxFontInfo(static_cast<int>(points));
    wxString face;
    wxStringTokenizer faces(FromUtf8(params.Text("face")), ",");
    while (faces.HasMoreTokens() && face.empty()) {
        const wxString candidate = faces.GetNextToken();
        if (wxFontEnumerator::IsValidFacename(candidate))
            face = candidate;
    }
    return wxFont(info.FaceName(face));
}

} // namespace

TemplateBuilder::TemplateBuilder(wxDialog* dialog) : dialog(dialog) {}

wxPoint TemplateBuilder::ToPixels(int x, int y, bool dialogUnits) const
{
    if (!dialogUnits)
        return wxPoint(x, y);
    return wxPoint(DialogUnitsToPixels(x, unitBase.x, DialogAxis::Horizontal),
                   DialogUnitsToPixels(y, unitBase.y, DialogAxis::Vertical));
}

bool TemplateBuilder::ReadPair(TemplateParams& params, const std::string& name, wxPoint& pixels) const
{
    if (!params.Has(name))
        return true;
    const std::optional<TemplatePair> pair = ParseTemplatePair(params.Text(name));
    if (!pair)
        return false;
    pixels = ToPixels(pair->x, pair->y, pair->dialogUnits);
    return true;
}

bool TemplateBuilder::Build(wxWindow* parent, const wxXmlNode& node)
{
    TemplateParams params(node);
    const std::optional<long> style =
        params.Has("style") ? ParseTemplateStyle(params.Text("style")) : std::optional<long>(wxDEFAULT_DIALOG_STYLE);
    if (!style)
        return false;
    if (!dialog->Create(parent, wxID_ANY, params.Label("title"), wxDefaultPosition, wxDefaultSize, *style,
                        node.GetAttribute("name")))
        return false;
    if (const wxXmlNode* font = params.Node("font"))
        dialog->SetFont(TemplateFont(*font));
    // Measured with the template's font in place: its units are that font's.
    unitBase = dialog->ConvertDialogToPixels(wxSize(4, 8));
    wxPoint size = wxDefaultPosition;
    if (!ReadPair(params, "size", size))
        return false;
    if (params.Has("size"))
        dialog->SetClientSize(size.x, size.y);
    if (!params.AllTaken())
        return false;
    for (const wxXmlNode* child = node.GetChildren(); child; child = child->GetNext())
        if (IsTemplateObject(child) && !AddControl(*child))
            return false;
    return true;
}

bool TemplateBuilder::AddControl(const wxXmlNode& node)
{
    const ControlFactory create = FactoryOf(node.GetAttribute("class"));
    if (!create)
        return false;
    TemplateParams params(node);
    Placement at{dialog, IdOfName(node.GetAttribute("name")), node.GetAttribute("name"), wxDefaultPosition,
                 wxDefaultSize, 0};
    wxPoint size = wxDefaultPosition;
    if (!ReadPair(params, "pos", at.position) || !ReadPair(params, "size", size))
        return false;
    at.size = wxSize(size.x, size.y);
    const std::optional<long> style = ParseTemplateStyle(params.Text("style"));
    if (!style)
        return false;
    at.style = *style;
    wxWindow* control = create(at, params);
    if (params.Has("tooltip"))
        control->SetToolTip(params.Label("tooltip"));
    if (params.Has("wrap")) {
        const std::optional<TemplateLength> width = ParseTemplateLength(params.Text("wrap"));
        auto* text = dynamic_cast<wxStaticText*>(control);
        if (!width || !text)
            return false;
        text->Wrap(ToPixels(width->value, 0, width->dialogUnits).x);
    }
    return params.AllTaken() && !HasObjects(node);
}

bool IsTemplateObject(const wxXmlNode* node, const wxString& className)
{
    return node->GetType() == wxXML_ELEMENT_NODE && node->GetName() == "object" &&
           (className.empty() || node->GetAttribute("class") == className);
}

bool AttachToTemplatePlace(wxWindow* dialog, const wxString& placeName, wxWindow* control)
{
    wxWindow* place = dialog->FindWindow(placeName + "_container");
    if (!place)
        return false;
    control->Reparent(place);
    control->SetName(placeName);
    control->SetId(IdOfName(placeName));
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(control, wxSizerFlags(1).Expand());
    place->SetSizer(sizer);
    place->Layout();
    return true;
}
