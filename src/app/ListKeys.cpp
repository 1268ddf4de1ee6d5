#include "app/ListKeys.h"

#include "app/ControlIds.h"

#include <wx/defs.h>

namespace {

struct ListKey {
    int keyCode;
    int modifiers;
    ControlId button;
};

// Ctrl with a letter comes as the capital letter's code.
constexpr ListKey kListKeys[] = {
    {WXK_BACK, wxMOD_NONE, IDC_CDUP},
    {WXK_F5, wxMOD_NONE, IDC_REFRESH},
    {WXK_DELETE, wxMOD_NONE, IDC_DELETE},
    {WXK_NUMPAD_DELETE, wxMOD_NONE, IDC_DELETE},
    {WXK_F2, wxMOD_NONE, IDC_RENAME},
    {'D', wxMOD_CONTROL, IDC_DOWNLOAD},
    {'U', wxMOD_CONTROL, IDC_UPLOAD},
};

} // namespace

int ButtonForListKey(int keyCode, int modifiers)
{
    for (const ListKey& key : kListKeys)
        if (key.keyCode == keyCode && key.modifiers == modifiers)
            return key.button;
    return 0;
}
