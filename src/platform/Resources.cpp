#include "platform/Resources.h"

#include "platform/EmbeddedResources.h"
#include "platform/TemplateBuilder.h"
#include "platform/TemplateRules.h"
#include "platform/Text.h"

#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

#include <map>
#include <memory>
#include <vector>

namespace {

const EmbeddedFile* FindEmbedded(const wxString& name)
{
    for (const EmbeddedFile* file = kEmbeddedFiles; file->name; ++file)
        if (name == file->name)
            return file;
    return nullptr;
}

// The parsed template files, kept for the whole run: the templates are
// looked up by name each time a dialog or menu is built.
std::vector<std::unique_ptr<wxXmlDocument>>& Documents()
{
    static std::vector<std::unique_ptr<wxXmlDocument>> documents;
    return documents;
}

void ParseTemplateFile(const EmbeddedFile& file)
{
    wxMemoryInputStream stream(file.data, file.size);
    auto document = std::make_unique<wxXmlDocument>();
    // A damaged file is the build's fault; its templates are then missing
    // and each window that wants one says so.
    if (document->Load(stream) && document->IsOk())
        Documents().push_back(std::move(document));
}

// Only the main window's templates are parsed before it shows; the other
// files are parsed when a name is first asked for that is not among them.
const char kWindowTemplateFile[] = "main.xrc";

void ParseTemplateFiles(bool (*wanted)(const wxString&))
{
    for (const EmbeddedFile* file = kEmbeddedFiles; file->name; ++file)
        if (wanted(file->name))
            ParseTemplateFile(*file);
}

const wxXmlNode* FindParsedTemplate(const wxString& name)
{
    for (const auto& document : Documents())
        for (const wxXmlNode* node = document->GetRoot()->GetChildren(); node; node = node->GetNext())
            if (node->GetType() == wxXML_ELEMENT_NODE && node->GetAttribute("name") == name)
                return node;
    return nullptr;
}

const wxXmlNode* FindTemplate(const wxString& name)
{
    static bool windowParsed = false;
    static bool othersParsed = false;
    if (!windowParsed) {
        windowParsed = true;
        ParseTemplateFiles([](const wxString& file) { return file == kWindowTemplateFile; });
    }
    const wxXmlNode* node = FindParsedTemplate(name);
    if (node || othersParsed)
        return node;
    othersParsed = true;
    ParseTemplateFiles(
        [](const wxString& file) { return file.EndsWith(".xrc") && file != kWindowTemplateFile; });
    return FindParsedTemplate(name);
}

// wxMenuItem takes no ids from 0x7fff up, yet the menus' command numbers are
// 32772 and above. Each such number gets a stand-in id from wx's automatic
// range, reserved once for the whole run; keyed by command number.
constexpr long kFirstRefusedMenuId = 0x7fff;

std::map<long, int>& StandInIds()
{
    static std::map<long, int> ids;
    return ids;
}

int MenuIdOf(const wxString& name)
{
    long number = 0;
    if (!name.ToLong(&number) || number <= 0)
        return wxID_ANY;
    if (number < kFirstRefusedMenuId)
        return static_cast<int>(number);
    if (!StandInIds().contains(number))
        StandInIds()[number] = wxIdManager::ReserveId();
    return StandInIds()[number];
}

int CommandOfId(int id)
{
    for (const auto& [command, standIn] : StandInIds())
        if (standIn == id)
            return static_cast<int>(command);
    return id;
}

// Choices in submenus pass through their parent popup, so one handler on the
// popup hands every stand-in on to the window as its command number.
void OnStandInChosen(wxCommandEvent& event)
{
    event.SetId(CommandOfId(event.GetId()));
    event.Skip();
}

wxString LabelOf(const wxXmlNode& node)
{
    for (const wxXmlNode* child = node.GetChildren(); child; child = child->GetNext())
        if (child->GetType() == wxXML_ELEMENT_NODE && child->GetName() == "label")
            return FromUtf8(TemplateLabel(ToUtf8(child->GetNodeContent())));
    return wxString();
}

// A menu and its submenus, items in the order of the template; null if it
// holds anything but items, separators and submenus.
std::unique_ptr<wxMenu> BuildMenu(const wxXmlNode& node)
{
    auto menu = std::make_unique<wxMenu>();
    menu->SetTitle(LabelOf(node));
    for (const wxXmlNode* child = node.GetChildren(); child; child = child->GetNext()) {
        if (!IsTemplateObject(child))
            continue;
        if (IsTemplateObject(child, "separator")) {
            menu->AppendSeparator();
        } else if (IsTemplateObject(child, "wxMenuItem")) {
            menu->Append(MenuIdOf(child->GetAttribute("name")), LabelOf(*child));
        } else if (IsTemplateObject(child, "wxMenu")) {
            std::unique_ptr<wxMenu> submenu = BuildMenu(*child);
            if (!submenu)
                return nullptr;
            menu->AppendSubMenu(submenu.release(), LabelOf(*child));
        } else {
            return nullptr;
        }
    }
    return menu;
}

} // namespace

void InitResources()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // The templates hold PNG pictures only; the other formats' handlers
    // would only add to the start.
    wxImage::AddHandler(new wxPNGHandler);
}

bool LoadDialogTemplate(wxDialog* dialog, wxWindow* parent, const wxString& name)
{
    const wxXmlNode* node = FindTemplate(name);
    if (!node || !IsTemplateObject(node, "wxDialog"))
        return false;
    return TemplateBuilder(dialog).Build(parent, *node);
}

wxMenu* LoadPopupMenu(const wxString& name)
{
    const wxXmlNode* bar = FindTemplate(name);
    if (!bar || !IsTemplateObject(bar, "wxMenuBar"))
        return nullptr;
    for (const wxXmlNode* child = bar->GetChildren(); child; child = child->GetNext()) {
        if (!IsTemplateObject(child, "wxMenu"))
            continue;
        std::unique_ptr<wxMenu> popup = BuildMenu(*child);
        if (popup)
            popup->Bind(wxEVT_MENU, &OnStandInChosen);
        return popup.release();
    }
    return nullptr;
}

int MenuItemCommand(const wxMenuItem& item)
{
    return CommandOfId(item.GetId());
}

wxBitmap LoadResourceBitmap(const wxString& fileName)
{
    const EmbeddedFile* file = FindEmbedded(fileName);
    if (!file)
        return wxBitmap();
    wxMemoryInputStream stream(file->data, file->size);
    wxImage image(stream, wxBITMAP_TYPE_PNG);
    return image.IsOk() ? wxBitmap(image) : wxBitmap();
}
