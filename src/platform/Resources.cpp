#include "platform/Resources.h"

#include "platform/EmbeddedResources.h"

#include <wx/dialog.h>
#include <wx/filesys.h>
#include <wx/fs_mem.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/mstream.h>
#include <wx/xrc/xmlres.h>

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

} // namespace

void InitResources()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    wxInitAllImageHandlers();
    wxFileSystem::AddHandler(new wxMemoryFSHandler);
    for (const EmbeddedFile* file = kEmbeddedFiles; file->name; ++file)
        wxMemoryFSHandler::AddFile(wxString("vantrel/") + file->name, file->data, file->size);
    wxXmlResource::Get()->InitAllHandlers();
    for (const EmbeddedFile* file = kEmbeddedFiles; file->name; ++file)
        if (wxString(file->name).EndsWith(".xrc"))
            wxXmlResource::Get()->Load(wxString("memory:vantrel/") + file->name);
}

bool LoadDialogTemplate(wxDialog* dialog, wxWindow* parent, const wxString& name)
{
    if (!wxXmlResource::Get()->LoadDialog(dialog, parent, name))
        return false;
    AssignNumericIds(dialog);
    return true;
}

wxMenu* LoadPopupMenu(const wxString& name)
{
    wxMenuBar* bar = wxXmlResource::Get()->LoadMenuBar(name);
    if (!bar || bar->GetMenuCount() == 0) {
        delete bar;
        return nullptr;
    }
    wxMenu* popup = bar->Remove(0);
    delete bar;
    return popup;
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
