// The window at the desktop's scale: CTest runs this at scale 1, at a font
// scale of 1.5 (GDK_DPI_SCALE) and at a window scale of 2 (GDK_SCALE). The
// list's columns follow the font and are stored as at 96 dpi; the Port box
// shows a five-digit port whole, at the size the template gives it.
#include "app/ControlIds.h"
#include "ftp/CFileListCtrl.h"
#include "platform/FontScale.h"
#include "support/GuiTestHelpers.h"
#include "support/MainWindowFixture.h"

#include <wx/textctrl.h>

#include <gtk/gtk.h>

#include <cmath>
#include <cstdlib>

namespace {

class DisplayScale : public MainWindowFixture {};

int TextWidth(const wxWindow& window, const wxString& text)
{
    return window.GetTextExtent(text).GetWidth();
}

// At scale 1 the stored widths are the drawn ones; at any scale the default
// columns fill the list as they do at scale 1, the date and size texts that
// fit them at scale 1 still fit, and what is stored at close is what was read.
TEST_F(DisplayScale, ColumnsGrowWithTheFontAndAreStoredAsAt96Dpi)
{
    const char* dpiScale = std::getenv("GDK_DPI_SCALE");
    const struct {
        const char* entry;
        int stored;
    } columns[] = {{"nNameColWidth", 470}, {"nSizeColWidth", 80}, {"nTimeColWidth", 210}};
    for (const auto& column : columns)
        Store(column.entry, column.stored);
    CFtpClientDlg& dlg = Open();
    CFileListCtrl& list = *dlg.fileList;
    const double scale = FontScale(list.GetFont());
    if (dpiScale)
        EXPECT_GT(scale, 1.25) << "GDK_DPI_SCALE=" << dpiScale;
    else
        EXPECT_DOUBLE_EQ(1.0, scale);
    int total = 0;
    for (int index = 0; index < 3; ++index) {
        EXPECT_EQ(std::lround(columns[index].stored * scale), list.GetColumnWidth(index)) << index;
        total += list.GetColumnWidth(index);
    }
    EXPECT_LE(total, list.GetClientSize().GetWidth());
    EXPECT_LT(TextWidth(list, "12/31/2026 12:59 PM"), list.GetColumnWidth(2));
    EXPECT_LT(TextWidth(list, "5123 KB"), list.GetColumnWidth(1));
    SettingsStore& store = CloseAndReread();
    for (const auto& column : columns)
        EXPECT_EQ(column.stored, store.GetProfileInt(column.entry, -1)) << column.entry;
}

TEST_F(DisplayScale, ThePortBoxShowsFiveDigitsWholeInsideItsTemplatePlace)
{
    CFtpClientDlg& dlg = Open();
    auto* port = static_cast<wxTextCtrl*>(dlg.FindWindow(IDC_PORT));
    port->ChangeValue("65535");
    PumpEvents();
    EXPECT_EQ(dlg.ConvertDialogToPixels(wxSize(15, 12)), port->GetSize());
    GtkEntry* entry = GTK_ENTRY(port->GetHandle());
    GdkRectangle area{};
    gtk_entry_get_text_area(entry, &area);
    int textWidth = 0;
    pango_layout_get_pixel_size(gtk_entry_get_layout(entry), &textWidth, nullptr);
    EXPECT_GT(textWidth, 0);
    EXPECT_LT(textWidth, area.width) << "the text area is " << area.width << " pixels wide";
    // Still text a user can read.
    EXPECT_GE(port->GetFont().GetFractionalPointSize(), 6.0);
}

// The list's pictures come at the screen's own scale: 32 pixels under
// GDK_SCALE=2, drawn into 16 of GTK's units, not 16 pixels doubled.
TEST_F(DisplayScale, ListIconsAreDrawnForTheScreensScale)
{
    CFtpClientDlg& dlg = Open();
    CFileListCtrl& list = *dlg.fileList;
    list.SetEntries({ListEntry{LIST_KIND_FOLDER, "folder", 0, 0}, ListEntry{LIST_KIND_FILE, "file", 10, 0}});
    PumpEvents();
    const double scale = list.GetContentScaleFactor();
    EXPECT_DOUBLE_EQ(std::getenv("GDK_SCALE") ? 2.0 : 1.0, scale);
    for (int kind : {LIST_KIND_FOLDER, LIST_KIND_FILE}) {
        const wxBitmap icon = list.KindIcon(kind);
        ASSERT_TRUE(icon.IsOk()) << kind;
        EXPECT_EQ(std::lround(16 * scale), icon.GetWidth()) << kind;
        EXPECT_EQ(wxSize(16, 16), icon.GetLogicalSize()) << kind;
    }
}

} // namespace
