#include "platform/Resources.h"

#include "platform/EmbeddedResources.h"

#include <wx/dialog.h>
#include <wx/filesys.h>
#include <wx/fs_mem.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>
#include <wx/xrc/xh_bmpbt.h>
#include <wx/xrc/xh_bttn.h>
#include <wx/xrc/xh_chckb.h>
#include <wx/xrc/xh_combo.h>
#include <wx/xrc/xh_dlg.h>
#include <wx/xrc/xh_listb.h>
#include <wx/xrc/xh_menu.h>
#include <wx/xrc/xh_radbt.h>
#include <wx/xrc/xh_stbmp.h>
#include <wx/xrc/xh_stbox.h>
#include <wx/xrc/xh_sttxt.h>
#include <wx/xrc/xh_text.h>
#include <wx/xrc/xh_unkwn.h>
#include <wx/xrc/xmlres.h>

#include <map>

namespace {

const EmbeddedFile* FindEmbedded(const wxString& name)
{
    for (const EmbeddedFile* file = kEmbeddedFiles; file->name; ++file)
        if (name == file->name)
            return file;
    return nullptr;
}

// Numeric XRC names carry the control IDs of the templates.
void AssignNumericIds(wxWindow* window)
{
    for (wxWindow* child : window->GetChildren()) {
        long id = 0;
        if (child->GetName().ToLong(&id) && id > 0) {
            if (id == 1)
                id = wxID_OK;
            else if (id == 2)
                id = wxID_CANCEL;
            child->SetId(static_cast<int>(id));
        }
        AssignNumericIds(child);
    }
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

// Must run before XRC first looks the names up, as it then keeps the number.
void ReserveStandInIds(const wxXmlNode* node)
{
    for (const wxXmlNode* child = node->GetChildren(); child; child = child->GetNext()) {
        const wxString name = child->GetAttribute("name");
        long number = 0;
        if (name.ToLong(&number) && number >= kFirstRefusedMenuId && !StandInIds().contains(number))
            StandInIds()[number] = wxXmlResource::GetXRCID(name, wxIdManager::ReserveId());
        ReserveStandInIds(child);
    }
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

// Only the main window's templates are parsed before it shows; the other
// files are parsed when a name is first asked for that is not among them.
const char kWindowTemplateFile[] = "main.xrc";

bool IsWindowTemplateFile(const wxString& name)
{
    return name == kWindowTemplateFile;
}

bool IsOtherTemplateFile(const wxString& name)
{
    return name.EndsWith(".xrc") && !IsWindowTemplateFile(name);
}

void LoadTemplateFiles(bool (*wanted)(const wxString&))
{
    for (const EmbeddedFile* file = kEmbeddedFiles; file->name; ++file)
        if (wanted(file->name))
            wxXmlResource::Get()->Load(wxString("memory:vantrel/") + file->name);
}

const wxXmlNode* FindTemplate(const wxString& name)
{
    static bool othersLoaded = false;
    const wxXmlNode* node = wxXmlResource::Get()->GetResourceNode(name);
    if (node || othersLoaded)
        return node;
    othersLoaded = true;
    LoadTemplateFiles(IsOtherTemplateFile);
    return wxXmlResource::Get()->GetResourceNode(name);
}

// The classes res/*.xrc uses, and no more: all of XRC's handlers would be
// built (and their code paged in) for controls no template has.
void AddTemplateHandlers()
{
    wxXmlResource* resource = wxXmlResource::Get();
    resource->AddHandler(new wxDialogXmlHandler);
    resource->AddHandler(new wxButtonXmlHandler);
    resource->AddHandler(new wxBitmapButtonXmlHandler);
    resource->AddHandler(new wxCheckBoxXmlHandler);
    resource->AddHandler(new wxComboBoxXmlHandler);
    resource->AddHandler(new wxListBoxXmlHandler);
    resource->AddHandler(new wxRadioButtonXmlHandler);
    resource->AddHandler(new wxStaticBitmapXmlHandler);
    resource->AddHandler(new wxStaticBoxXmlHandler);
    resource->AddHandler(new wxStaticTextXmlHandler);
    resource->AddHandler(new wxTextCtrlXmlHandler);
    resource->AddHandler(new wxUnknownWidgetXmlHandler);
    resource->AddHandler(new wxMenuXmlHandler);
    resource->AddHandler(new wxMenuBarXmlHandler);
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
    wxFileSystem::AddHandler(new wxMemoryFSHandler);
    for (const EmbeddedFile* file = kEmbeddedFiles; file->name; ++file)
        wxMemoryFSHandler::AddFile(wxString("vantrel/") + file->name, file->data, file->size);
    AddTemplateHandlers();
    LoadTemplateFiles(IsWindowTemplateFile);
}

// XRC sizes a dialog in the units of the default font, before it applies
// the template's own font; the template's size is the client area in units
// of that font, so it is applied again once the font is in place.
void ApplyTemplateSize(wxDialog* dialog, const wxString& name)
{
    const wxXmlNode* node = FindTemplate(name);
    for (const wxXmlNode* child = node ? node->GetChildren() : nullptr; child; child = child->GetNext()) {
        if (child->GetName() != "size")
            continue;
        long width = 0;
        long height = 0;
        const wxString text = child->GetNodeContent();
        if (text.BeforeFirst(',').ToLong(&width) && text.AfterFirst(',').BeforeFirst('d').ToLong(&height))
            dialog->SetClientSize(dialog->ConvertDialogToPixels(wxSize(width, height)));
        return;
    }
}

bool LoadDialogTemplate(wxDialog* dialog, wxWindow* parent, const wxString& name)
{
    FindTemplate(name);
    if (!wxXmlResource::Get()->LoadDialog(dialog, parent, name))
        return false;
    AssignNumericIds(dialog);
    ApplyTemplateSize(dialog, name);
    return true;
}

wxMenu* LoadPopupMenu(const wxString& name)
{
    const wxXmlNode* node = FindTemplate(name);
    if (!node)
        return nullptr;
    ReserveStandInIds(node);
    wxMenuBar* bar = wxXmlResource::Get()->LoadMenuBar(name);
    if (!bar || bar->GetMenuCount() == 0) {
        delete bar;
        return nullptr;
    }
    wxMenu* popup = bar->Remove(0);
    delete bar;
    popup->Bind(wxEVT_MENU, &OnStandInChosen);
    return popup;
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
