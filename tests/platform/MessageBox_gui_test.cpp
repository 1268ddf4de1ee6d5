// Message boxes shown for real (no test hook in between): each kind carries
// the theme's icon for it, and the box still answers with the button pressed.
#include "platform/MessageBox.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>

namespace {

struct SeenBox {
    std::string iconName;
    GtkResponseType press = GTK_RESPONSE_OK;
    bool found = false;
};

GtkMessageDialog* ShownMessageBox()
{
    GList* windows = gtk_window_list_toplevels();
    GtkMessageDialog* box = nullptr;
    for (GList* w = windows; w && !box; w = w->next) {
        if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_mapped(GTK_WIDGET(w->data)))
            box = GTK_MESSAGE_DIALOG(w->data);
    }
    g_list_free(windows);
    return box;
}

// Runs inside the box's own modal loop: reads its picture, then answers.
gboolean ReadAndAnswer(gpointer data)
{
    auto* seen = static_cast<SeenBox*>(data);
    GtkMessageDialog* box = ShownMessageBox();
    if (!box)
        return G_SOURCE_CONTINUE;
    seen->found = true;
    GtkWidget* image = nullptr;
    g_object_get(box, "image", &image, nullptr);
    if (GTK_IS_IMAGE(image) && gtk_widget_get_visible(image)) {
        const char* name = nullptr;
        gtk_image_get_icon_name(GTK_IMAGE(image), &name, nullptr);
        seen->iconName = name ? name : "";
    }
    if (image)
        g_object_unref(image);
    gtk_dialog_response(GTK_DIALOG(box), seen->press);
    return G_SOURCE_REMOVE;
}

struct KindCase {
    unsigned style;
    const char* iconName;
    GtkResponseType press;
    int answer;
};

class MessageBoxIcon : public testing::TestWithParam<KindCase> {};

TEST_P(MessageBoxIcon, ShowsTheThemesIconForItsKind)
{
    const KindCase& kind = GetParam();
    SeenBox seen;
    seen.press = kind.press;
    const guint poll = g_timeout_add(50, ReadAndAnswer, &seen);
    const int answer = MessageBox(nullptr, "Something to say", "Caption", kind.style);
    if (!seen.found)
        g_source_remove(poll);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.iconName, kind.iconName);
    EXPECT_EQ(answer, kind.answer);
    // The theme has that picture, so the box does not show a broken one.
    EXPECT_TRUE(gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), kind.iconName)) << kind.iconName;
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, MessageBoxIcon,
    testing::Values(KindCase{MB_OK | MB_ICONHAND, "dialog-error", GTK_RESPONSE_OK, IDOK},
                    KindCase{MB_OK | MB_ICONEXCLAMATION, "dialog-warning", GTK_RESPONSE_OK, IDOK},
                    KindCase{MB_OK | MB_ICONINFORMATION, "dialog-information", GTK_RESPONSE_OK, IDOK},
                    KindCase{MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "dialog-question", GTK_RESPONSE_YES,
                             IDYES},
                    KindCase{MB_YESNO | MB_ICONQUESTION, "dialog-question", GTK_RESPONSE_NO, IDNO}));

} // namespace
