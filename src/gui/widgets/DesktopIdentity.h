#pragma once
// How the desktop knows Packhelm's windows: the application's icon (task bar, window lists, the
// window manager's _NET_WM_ICON) and the desktop file name that ties the windows to the installed
// desktop entry (Wayland's app id, the launcher's start-up notification).

#include <QIcon>

namespace DesktopIdentity {

// The icon at every size the build renders from resources/desktop/packhelm.svg.
QIcon Icon();
// Sets the application's window icon and desktop file name.
void Apply();

}  // namespace DesktopIdentity
