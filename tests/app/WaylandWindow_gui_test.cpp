// The window on a Wayland compositor (CTest runs this under weston), where a
// window is never told where it stands: the stored position is neither
// applied nor overwritten, so the next start under X11 opens where the user
// last put the window there.
#include "support/MainWindowFixture.h"

#include <gdk/gdk.h>
#include <gdk/gdkwayland.h>

namespace {

class WaylandWindow : public MainWindowFixture {};

TEST_F(WaylandWindow, TheStoredPositionIsKeptAsItWas)
{
    ASSERT_TRUE(GDK_IS_WAYLAND_DISPLAY(gdk_display_get_default())) << "not on Wayland";
    Store("nXposition", 640);
    Store("nYposition", 480);
    Open();
    SettingsStore& store = CloseAndReread();
    EXPECT_EQ(640, store.GetProfileInt("nXposition", -1));
    EXPECT_EQ(480, store.GetProfileInt("nYposition", -1));
}

} // namespace
